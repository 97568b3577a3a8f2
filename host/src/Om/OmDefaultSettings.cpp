// Default settings per scope.
#include <Vx/Om/OmDefaultSettings.h>

namespace Vx {

OmDefaultSettings& OmDefaultSettings::getInstance(OmSettingsTypes scope)
{
    static OmDefaultSettings application(OmSettingsTypes::APPLICATION_SCOPE);
    static OmDefaultSettings component(OmSettingsTypes::COMPONENT_SCOPE);
    return scope == OmSettingsTypes::APPLICATION_SCOPE ? application : component;
}

void OmDefaultSettings::setSetting(const std::string& name, const std::string& value)
{
    const auto it = m_settings.find(name);
    const bool added = it == m_settings.end();
    if (!added && it->second == value)
        return;
    m_settings[name] = value;
    notify(added ? OmComponentsHint::Kind::AttributeAdded : OmComponentsHint::Kind::AttributeChanged, name);
}

void OmDefaultSettings::removeSetting(const std::string& name)
{
    if (m_settings.erase(name) == 0)
        return;
    notify(OmComponentsHint::Kind::AttributeRemoved, name);
}

void OmDefaultSettings::notify(OmComponentsHint::Kind kind, const std::string& name) const
{
    notifyObservers(ObHints(makeShared<OmComponentsHint>(kind, RCShdPtr<const OmComponent>(), name)));
}

} // namespace Vx
