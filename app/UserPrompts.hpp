#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class QWidget;

// What the window asks of the user through the desktop's own dialogs: message boxes and file
// choosers. The window reaches them only through this interface, so tests can answer them.
class CUserPrompts {
  public:
    virtual ~CUserPrompts() = default;

    // Shows text in a box with the warning icon and caption over owner; returns once it is closed.
    virtual void ShowMessage(QWidget* owner, const QString& caption, const QString& text) = 0;
    // Opens an "Error!" box with the stop icon, owned by no window and blocking none, and returns
    // at once; closed runs on the UI thread when the box goes away.
    virtual void OpenErrorBox(const QString& text, std::function<void()> closed) = 0;
    // Closes every "Error!" box still open.
    virtual void CloseErrorBoxes() = 0;
    // Returns the books the user chose (empty when cancelled).
    virtual QStringList ChooseBooks(QWidget* owner) = 0;
    // Returns the archiver the user chose, or nothing when cancelled.
    virtual std::optional<QString> ChooseArchiver(QWidget* owner) = 0;
    // Asks the desktop to open the file at path in the user's editor for it; false when it
    // could not.
    virtual bool OpenInEditor(const QString& path) = 0;
    // Asks the desktop to open the page at path in the user's browser; false when it could not.
    virtual bool OpenInBrowser(const QString& path) = 0;
};
