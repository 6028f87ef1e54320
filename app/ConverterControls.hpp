#pragma once

#include <QDialog>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

// The main window's controls: their captions, names and identifiers, their places in dialog
// units, the tab order and the book list's columns. The window derives from it, so the controls
// are its members.
class CConverterControls {
  protected:
    // Creates the controls on window, named and captioned; window must outlive them.
    explicit CConverterControls(QDialog& window);

    // Places the controls in the window's font, fixes the window's size, sets the tab order and
    // gives the book list its columns. Called once the window has its font.
    void LayOutControls(QDialog& window);

    QGroupBox FrameBox;
    QPushButton ArchiverButton;
    QLineEdit ArchiverPathBox;
    QPushButton AddButton;
    QTableWidget BookListCtrl;
    QPushButton StartButton;
    QPushButton ExitButton;
    QPushButton ClearButton;

  private:
    void SetTabOrder();
    void SetupBookList(const QFontMetrics& metrics);
};
