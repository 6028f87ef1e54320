#include "app/SystemMenu.hpp"

#include <QActionGroup>
#include <QDialog>
#include <QMenu>

#include "app/AboutDlg.hpp"
#include "app/Resource.hpp"

using namespace resource;

namespace {

QString Text(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// A checkable item of the conversion menu for the switch on, saved as it changes.
void AddSwitch(QMenu& conversion, const char* text, const QString& name, bool& on,
               ConversionChoice& choice) {
    QAction* item = conversion.addAction(Text(text));
    item->setObjectName(name);
    item->setCheckable(true);
    item->setChecked(on);
    QObject::connect(item, &QAction::toggled, &conversion, [&choice, &on](bool checked) {
        on = checked;
        SaveConversionChoice(choice);
    });
}

// The submenu of the profiles, a separator between those of each direction, the switches of the
// font rule, the quotation marks, the built-in archive path and the report; a choice is saved as
// it is made.
void FillConversionMenu(QMenu& conversion, QActionGroup& profiles, ConversionChoice& choice) {
    conversion.setObjectName(QStringLiteral("ConversionMenu"));
    text::ScriptDirection direction = text::AllProfiles().front().direction;
    for (const text::ProfileInfo& info : text::AllProfiles()) {
        if (info.direction != direction) {
            conversion.addSeparator();
            direction = info.direction;
        }
        QAction* item =
            conversion.addAction(Text(kProfileItemTexts[static_cast<std::size_t>(info.profile)]));
        item->setObjectName(QStringLiteral("Profile_") +
                            QString::fromLatin1(info.name.data(), info.name.size()));
        item->setCheckable(true);
        item->setChecked(info.profile == choice.profile);
        item->setActionGroup(&profiles);
        QObject::connect(item, &QAction::triggered, &conversion, [&choice, profile = info.profile] {
            choice.profile = profile;
            SaveConversionChoice(choice);
        });
    }
    conversion.addSeparator();
    AddSwitch(conversion, kFontRuleItemText, QStringLiteral("FontRule"), choice.fontRule, choice);
    AddSwitch(conversion, kQuotesItemText, QStringLiteral("Quotes"), choice.quotes, choice);
    AddSwitch(conversion, kBuiltinZipItemText, QStringLiteral("BuiltinZip"), choice.builtinZip,
              choice);
    AddSwitch(conversion, kReportItemText, QStringLiteral("Report"), choice.report, choice);
}

// The submenu of the layouts, one checked; a choice is saved as it is made.
void FillLayoutMenu(QMenu& layouts, QActionGroup& group, ConversionChoice& choice) {
    layouts.setObjectName(QStringLiteral("LayoutMenu"));
    constexpr const char* kNames[] = {"Layout_asBook", "Layout_vertical", "Layout_horizontal"};
    for (int i = 0; i < 3; ++i) {
        const auto layout = static_cast<text::PageLayout>(i);
        QAction* item = layouts.addAction(Text(kLayoutItemTexts[i]));
        item->setObjectName(QString::fromLatin1(kNames[i]));
        item->setCheckable(true);
        item->setChecked(layout == choice.layout);
        item->setActionGroup(&group);
        QObject::connect(item, &QAction::triggered, &layouts, [&choice, layout] {
            choice.layout = layout;
            SaveConversionChoice(choice);
        });
    }
}

}  // namespace

std::optional<int> ShowSystemMenu(QWidget& owner, const QPoint& where, ConversionChoice& choice) {
    QMenu menu(&owner);
    menu.setObjectName(QStringLiteral("SystemMenu"));
    menu.addAction(Text(kCloseItemText))->setData(SC_CLOSE);
    menu.addSeparator();
    QMenu conversion(Text(kProfileMenuText), &menu);
    QActionGroup profiles(&conversion);
    FillConversionMenu(conversion, profiles, choice);
    QMenu layouts(Text(kLayoutMenuText), &conversion);
    QActionGroup layoutGroup(&layouts);
    FillLayoutMenu(layouts, layoutGroup, choice);
    conversion.addMenu(&layouts);
    menu.addMenu(&conversion);
    QAction* phrases = menu.addAction(Text(kUserPhrasesItemText));
    phrases->setObjectName(QStringLiteral("UserPhrases"));
    phrases->setData(IDM_USER_PHRASES);
    menu.addSeparator();
    menu.addAction(Text(kAboutItemText))->setData(IDM_ABOUTBOX);
    if (const QAction* chosen = menu.exec(where)) {
        return chosen->data().toInt();
    }
    return std::nullopt;
}

void RunSystemCommand(QDialog& window, int id) {
    if ((id & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutDlg about(&window);
        about.setWindowModality(Qt::WindowModal);
        about.exec();
    } else if ((id & 0xFFF0) == SC_CLOSE) {
        window.reject();
    }
}
