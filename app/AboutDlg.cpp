#include "app/AboutDlg.hpp"

#include <QIcon>

#include "app/DialogUnits.hpp"
#include "app/Resource.hpp"
#include "corvela/Version.hpp"

namespace {
constexpr QSize kAboutSize(232, 95);
}

CAboutDlg::CAboutDlg(QWidget* parent)
    : QDialog(parent),
      IconLabel(this),
      VersionLabel(QString::fromUtf8(resource::kAboutVersionLine).arg(kCorvelaVersion), this),
      DescriptionLabel(QString::fromUtf8(resource::kAboutDescription), this),
      OkButton(QString::fromUtf8(resource::kAboutOkCaption), this) {
    setObjectName(QStringLiteral("IDD_ABOUTBOX"));
    setWindowTitle(QString::fromUtf8(resource::kAboutTitle));
    setFont(DialogFont());
    VersionLabel.setTextFormat(Qt::PlainText);
    DescriptionLabel.setWordWrap(true);
    DescriptionLabel.setAlignment(Qt::AlignLeft | Qt::AlignTop);
    OkButton.setObjectName(QStringLiteral("IDOK"));
    OkButton.setDefault(true);
    connect(&OkButton, &QPushButton::clicked, this, &QDialog::accept);
    LayOut();
}

void CAboutDlg::LayOut() {
    const DialogBaseUnits base = BaseUnitsOf(fontMetrics());
    const QRect iconRect = DialogUnitsToPixels(QRect(7, 15, 20, 20), base);
    IconLabel.setGeometry(iconRect);
    IconLabel.setPixmap(QIcon(QStringLiteral(":/corvela/corvela-48.png")).pixmap(32, 32));
    IconLabel.setAlignment(Qt::AlignCenter);
    VersionLabel.setGeometry(DialogUnitsToPixels(QRect(40, 10, 119, 8), base));
    DescriptionLabel.setGeometry(DialogUnitsToPixels(QRect(37, 28, 123, 36), base));
    OkButton.setGeometry(DialogUnitsToPixels(QRect(175, 15, 50, 14), base));
    setFixedSize(DialogUnitsToPixels(kAboutSize, base));
}
