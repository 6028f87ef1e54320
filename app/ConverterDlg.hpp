#pragma once

#include <QDialog>
#include <QIcon>
#include <QShortcut>
#include <QStringList>
#include <chrono>

#include "app/BatchSession.hpp"
#include "app/ConversionChoice.hpp"
#include "app/ConverterControls.hpp"
#include "app/SettingsFile.hpp"
#include "app/UserPrompts.hpp"

// The main window: the archiver path box, the book list with a status per book, and the
// buttons that add and clear books, start a batch and close the window. Its batches run in a
// CBatchSession, its system menu is the one of SystemMenu.hpp, its settings file is kept by
// SettingsFile.hpp.
class CConverterDlg : public QDialog, private CConverterControls {
    Q_OBJECT

  public:
    static constexpr std::chrono::milliseconds kBookPause{500};

    // Builds the window; its questions go to prompts, which must outlive it. bookPause is the
    // rest after each book of a batch; settings are the folders that may hold the settings file.
    explicit CConverterDlg(CUserPrompts& prompts, std::chrono::milliseconds bookPause = kBookPause,
                           SettingsFolders settings = ThisProgramsSettingsFolders());
    ~CConverterDlg() override;

    // Carries out a command of the stand-in system menu; an id of 16 to 31 opens the About box,
    // IDM_USER_PHRASES the user's phrase file.
    void OnSysCommand(int id);
    // Writes text into the status column of row, with reason as its tooltip (ignored for a row
    // that does not exist).
    void SetBookStatus(int row, const QString& text, const QString& reason = {});
    // Adds the files at paths to the bottom of the list as they are (the program's arguments).
    void AddBookFiles(const QStringList& paths);
    // Returns whether a batch is running.
    bool IsBatchRunning() const { return Batch.IsRunning(); }

    // Saves text as fileName (beside the executable, else in the user's folder); returns 1, or 0
    // after telling the user why it could not.
    int SaveSettings(const QString& fileName, const QString& text);
    // Reads fileName, saved as SaveSettings saves it, into the path box; returns 0 when there is
    // none that opens, else 1 (a failed read is told to the user).
    int LoadSettings(const QString& fileName);

  protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  public slots:
    void done(int result) override;

  private:
    void ConnectControls();
    void ShowSystemMenu(const QPoint& where);
    bool ShowReportMenu(const QPoint& where);
    // Opens the user's phrase file in the desktop's editor, creating it first when missing.
    void OnEditPhrases();
    void ShowShellMessage(const QString& text);
    BatchReports ReportsToThisWindow();

    void OnBrowseArchiver();
    void OnAddBooks();
    void OnClearBooks();
    void OnStart();
    void AppendBookRow(const QString& path);
    void RebuildBookRows();

    void OnBatchOver(bool waitFailed);
    void StopBatch();
    void EnableBookCommands(bool enabled);

    CUserPrompts& Prompts;
    const SettingsFolders Settings;

    QShortcut SystemMenuShortcut;

    QString ArchiverPath;
    QIcon AppIcon;
    QStringList BookPathList;
    ConversionChoice Choice;  // UI thread only; a batch takes a copy
    CBatchSession Batch;
};
