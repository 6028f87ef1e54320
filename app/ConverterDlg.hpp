#pragma once

#include <QActionGroup>
#include <QDialog>
#include <QGroupBox>
#include <QIcon>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>
#include <QStringList>
#include <QTableWidget>
#include <chrono>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

#include "app/ConversionChoice.hpp"
#include "app/UserPrompts.hpp"
#include "book/BookConverter.hpp"
#include "book/JobOptions.hpp"

// The main window: the archiver path box, the book list with a status per book, and the
// buttons that add and clear books, start a batch and close the window.
class CConverterDlg : public QDialog {
    Q_OBJECT

  public:
    static constexpr std::chrono::milliseconds kBookPause{500};

    // Builds the window; its questions go to prompts, which must outlive it. bookPause is the
    // rest after each book of a batch.
    explicit CConverterDlg(CUserPrompts& prompts, std::chrono::milliseconds bookPause = kBookPause);
    ~CConverterDlg() override;

    // Carries out a command of the stand-in system menu; an id of 16 to 31 opens the About box.
    void OnSysCommand(int id);
    // Writes text into the status column of row, with reason as its tooltip (ignored for a row
    // that does not exist).
    void SetBookStatus(int row, const QString& text, const QString& reason = {});
    // Adds the files at paths to the bottom of the list as they are (the program's arguments).
    void AddBookFiles(const QStringList& paths);
    // Returns whether a batch is running.
    bool IsBatchRunning() const { return BatchRunning; }

    // Writes text beside the executable as fileName; returns 1, or 0 after telling the user.
    int SaveSettings(const QString& fileName, const QString& text);
    // Reads fileName from the current directory into the path box; returns 0 when it cannot be
    // opened, else 1 (a failed read is told to the user).
    int LoadSettings(const QString& fileName);

  protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  public slots:
    void done(int result) override;

  private:
    void CreateControls();
    void LayOut();
    void SetTabOrder();
    void SetupBookList();
    void ShowSystemMenu(const QPoint& where);
    void FillConversionMenu(QMenu& conversion, QActionGroup& profiles);
    void ShowShellMessage(const QString& text);

    void OnBrowseArchiver();
    void OnAddBooks();
    void OnClearBooks();
    void OnStart();
    void AppendBookRow(const QString& path);
    void RebuildBookRows();

    void BatchWorker(std::stop_token stop, std::vector<std::string> books, ConversionChoice choice);
    void BatchWaiter(std::stop_token stop);
    bool StartBook(const std::stop_token& stop, int row, JobOptions& options);
    void ShowJobError(const std::string& text);
    void OnBatchOver(bool waitFailed);
    void StopBatch();
    void EnableBookCommands(bool enabled);

    CUserPrompts& Prompts;
    const std::chrono::milliseconds BookPause;

    QGroupBox FrameBox;
    QPushButton ArchiverButton;
    QLineEdit ArchiverPathBox;
    QPushButton AddButton;
    QTableWidget BookListCtrl;
    QPushButton StartButton;
    QPushButton ExitButton;
    QPushButton ClearButton;
    QShortcut SystemMenuShortcut;

    QString ArchiverPath;
    QIcon AppIcon;
    QStringList BookPathList;
    ConversionChoice Choice;  // UI thread only; a batch takes a copy
    CBookConverter Converter;
    bool BatchRunning = false;
    std::stop_source BatchStop;
    // The waiter joins the worker; the UI thread touches WorkerThread only while no batch runs.
    std::jthread WorkerThread;
    std::jthread WaiterThread;
};
