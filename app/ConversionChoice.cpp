#include "app/ConversionChoice.hpp"

#include <QSettings>
#include <QString>

namespace {

constexpr const char* kProfileKey = "conversion/profile";
constexpr const char* kFontRuleKey = "conversion/fontRule";
constexpr const char* kQuotesKey = "conversion/quotes";
constexpr const char* kLayoutKey = "conversion/layout";
// The layouts as saved, in the order of text::PageLayout.
constexpr const char* kLayoutNames[] = {"asBook", "vertical", "horizontal"};
constexpr const char* kBuiltinZipKey = "conversion/builtinZip";
constexpr const char* kReportKey = "conversion/report";
constexpr const char* kOrganisation = "Corvela";
constexpr const char* kApplication = "Corvela";

}  // namespace

ConversionChoice LoadConversionChoice() {
    const QSettings settings(QSettings::NativeFormat, QSettings::UserScope, kOrganisation,
                             kApplication);
    ConversionChoice choice;
    const std::string name = settings.value(kProfileKey).toString().toStdString();
    choice.profile = text::ProfileNamed(name).value_or(choice.profile);
    choice.fontRule = settings.value(kFontRuleKey, choice.fontRule).toBool();
    choice.quotes = settings.value(kQuotesKey, choice.quotes).toBool();
    const QString layout = settings.value(kLayoutKey).toString();
    for (int i = 0; i < 3; ++i) {
        if (layout == QLatin1String(kLayoutNames[i])) {
            choice.layout = static_cast<text::PageLayout>(i);
        }
    }
    choice.builtinZip = settings.value(kBuiltinZipKey, choice.builtinZip).toBool();
    choice.report = settings.value(kReportKey, choice.report).toBool();
    return choice;
}

void SaveConversionChoice(const ConversionChoice& choice) {
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, kOrganisation, kApplication);
    const std::string_view name = text::InfoOf(choice.profile).name;
    settings.setValue(kProfileKey, QString::fromUtf8(name.data(), static_cast<int>(name.size())));
    settings.setValue(kFontRuleKey, choice.fontRule);
    settings.setValue(kQuotesKey, choice.quotes);
    settings.setValue(kLayoutKey,
                      QLatin1String(kLayoutNames[static_cast<std::size_t>(choice.layout)]));
    settings.setValue(kBuiltinZipKey, choice.builtinZip);
    settings.setValue(kReportKey, choice.report);
}
