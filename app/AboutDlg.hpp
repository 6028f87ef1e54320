#pragma once

#include <QDialog>
#include <QLabel>
#include <QPushButton>

// The About box: icon, name and version, one line of description, and "确定".
class CAboutDlg : public QDialog {
    Q_OBJECT

  public:
    // Builds the box over parent (none: a top-level box).
    explicit CAboutDlg(QWidget* parent = nullptr);

  private:
    void LayOut();

    QLabel IconLabel;
    QLabel VersionLabel;
    QLabel DescriptionLabel;
    QPushButton OkButton;
};
