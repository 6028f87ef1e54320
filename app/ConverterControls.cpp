#include "app/ConverterControls.hpp"

#include <QHeaderView>
#include <vector>

#include "app/DialogUnits.hpp"
#include "app/Resource.hpp"

using namespace resource;

namespace {

constexpr QSize kDialogSize(328, 225);

QString Text(const char* utf8) {
    return QString::fromUtf8(utf8);
}

void NameControl(QWidget& control, const char* name, int id) {
    control.setObjectName(QString::fromLatin1(name));
    control.setProperty("controlId", id);
}

}  // namespace

CConverterControls::CConverterControls(QDialog& window)
    : FrameBox(Text(kGroupCaption), &window),
      ArchiverButton(Text(kBrowseCaption), &window),
      ArchiverPathBox(&window),
      AddButton(Text(kAddCaption), &window),
      BookListCtrl(0, 2, &window),
      StartButton(Text(kStartCaption), &window),
      ExitButton(Text(kExitCaption), &window),
      ClearButton(Text(kClearCaption), &window) {
    NameControl(ArchiverButton, "IDC_ARCHIVER_BROWSE", IDC_ARCHIVER_BROWSE);
    NameControl(ArchiverPathBox, "IDC_ARCHIVER_PATH", IDC_ARCHIVER_PATH);
    NameControl(AddButton, "IDC_ADD_BOOKS", IDC_ADD_BOOKS);
    NameControl(BookListCtrl, "IDC_BOOK_LIST", IDC_BOOK_LIST);
    NameControl(StartButton, "IDOK", IDOK);
    NameControl(ExitButton, "IDCANCEL", IDCANCEL);
    NameControl(ClearButton, "IDC_CLEAR_BOOKS", IDC_CLEAR_BOOKS);
    FrameBox.setObjectName(QStringLiteral("FrameBox"));
    // The frame lies under the controls it surrounds, so clicks reach them.
    FrameBox.lower();
    FrameBox.setFocusPolicy(Qt::NoFocus);
    // Files dropped on the path box are books for the window, not text for the box.
    ArchiverPathBox.setAcceptDrops(false);
    StartButton.setDefault(true);
}

void CConverterControls::LayOutControls(QDialog& window) {
    const DialogBaseUnits base = BaseUnitsOf(window.fontMetrics());
    const auto place = [base](QWidget& control, int x, int y, int width, int height) {
        control.setGeometry(DialogUnitsToPixels(QRect(x, y, width, height), base));
    };
    place(ArchiverButton, 14, 20, 54, 14);
    place(FrameBox, 7, 7, 314, 211);
    place(ArchiverPathBox, 73, 20, 235, 14);
    place(AddButton, 14, 43, 55, 14);
    place(BookListCtrl, 73, 45, 239, 145);
    place(StartButton, 213, 197, 46, 14);
    place(ExitButton, 265, 197, 46, 14);
    place(ClearButton, 14, 63, 55, 14);
    window.setFixedSize(DialogUnitsToPixels(kDialogSize, base));
    SetTabOrder();
    SetupBookList(window.fontMetrics());
}

void CConverterControls::SetTabOrder() {
    const std::vector<QWidget*> order = {&ArchiverButton, &ArchiverPathBox, &AddButton,
                                         &BookListCtrl,   &StartButton,     &ExitButton,
                                         &ClearButton};
    for (std::size_t i = 1; i < order.size(); ++i) {
        QWidget::setTabOrder(order[i - 1], order[i]);
    }
}

void CConverterControls::SetupBookList(const QFontMetrics& metrics) {
    BookListCtrl.setHorizontalHeaderLabels({Text(kStatusHeading), Text(kPathHeading)});
    BookListCtrl.horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    BookListCtrl.horizontalHeader()->setHighlightSections(false);
    BookListCtrl.setColumnWidth(0, kStatusColumnWidth);
    BookListCtrl.setColumnWidth(1, kPathColumnWidth);
    BookListCtrl.verticalHeader()->hide();
    BookListCtrl.verticalHeader()->setDefaultSectionSize(metrics.height() + 4);
    BookListCtrl.setShowGrid(true);
    BookListCtrl.setSelectionBehavior(QAbstractItemView::SelectRows);
    BookListCtrl.setSelectionMode(QAbstractItemView::ExtendedSelection);
    BookListCtrl.setEditTriggers(QAbstractItemView::NoEditTriggers);
    BookListCtrl.setSortingEnabled(false);
    BookListCtrl.setWordWrap(false);
    // Tab leaves the list for the next control instead of walking its cells.
    BookListCtrl.setTabKeyNavigation(false);
}
