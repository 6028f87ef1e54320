#include "app/ConversionChoice.hpp"

#include <QSettings>
#include <QString>

namespace {

constexpr const char* kProfileKey = "conversion/profile";
constexpr const char* kFontRuleKey = "conversion/fontRule";
constexpr const char* kBuiltinZipKey = "conversion/builtinZip";
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
    choice.builtinZip = settings.value(kBuiltinZipKey, choice.builtinZip).toBool();
    return choice;
}

void SaveConversionChoice(const ConversionChoice& choice) {
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, kOrganisation, kApplication);
    const std::string_view name = text::InfoOf(choice.profile).name;
    settings.setValue(kProfileKey, QString::fromUtf8(name.data(), static_cast<int>(name.size())));
    settings.setValue(kFontRuleKey, choice.fontRule);
    settings.setValue(kBuiltinZipKey, choice.builtinZip);
}
