// The default settings of the application, one set per scope, observable like components.
//
// A change of a setting is told to the observers of its scope as an OmComponentsHint with a null
// component: it concerns no particular component, and every tool that reads settings may care.
// Setting changes are preferences, not edits of a composition, and are not undoable. Main thread.
#pragma once

#include <Vx/Om/OmComponent.h>

#include <map>
#include <string>

namespace Vx {

enum class OmSettingsTypes
{
    APPLICATION_SCOPE, ///< settings of the application itself
    COMPONENT_SCOPE,   ///< defaults of the components (nodes, graphs) made from now on
};

class OmDefaultSettings : public ObSubject<Om>
{
public:
    /// The settings of `scope`; they live as long as the process.
    static OmDefaultSettings& getInstance(OmSettingsTypes scope);

    OmSettingsTypes getScope() const { return m_scope; }
    /// Sets `name` to `value`; observers get AttributeAdded or AttributeChanged (nothing when the
    /// value is unchanged).
    void setSetting(const std::string& name, const std::string& value);
    /// Removes `name`; observers get AttributeRemoved. Removing a missing setting does nothing.
    void removeSetting(const std::string& name);

private:
    explicit OmDefaultSettings(OmSettingsTypes scope) : m_scope(scope) {}
    void notify(OmComponentsHint::Kind kind, const std::string& name) const;

    OmSettingsTypes m_scope;
    std::map<std::string, std::string> m_settings;
};

} // namespace Vx
