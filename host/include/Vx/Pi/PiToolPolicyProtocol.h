// PiToolPolicyProtocol<Controller, Descriptor>: the protocol part that describes a tool once and
// makes its controllers, for a tool whose controller class writes its description.
//
// Controller must be default constructible, derive from PiNodeController and offer
//   static void describe(Descriptor&);
// Descriptor derives from PiToolPolicyDescriptor and is constructible from a PiToolDescriptor*
// (null: describe for the tool itself; otherwise every declaration also goes to the host's
// descriptor), as PiImageModifier::Descriptor is.
//
// The description is cached on first use: the first query (getPrimaryInput), createController or
// describe into a host descriptor describes the tool into a Descriptor and copies its primary
// input name and policy entries (copyFromDescriptor). The cache counts as filled exactly when the
// policy iterator is not null, and never changes afterwards. describe(PiToolDescriptor&) describes
// the tool into the host's descriptor on every call but fills the cache only once.
// createController makes a Controller and attaches one policy per cached entry, in order
// (initializeController). A plug-in instantiates the template (usually through
// PiImageModifierInfo). Main thread only.
#pragma once

#include <Vx/Pi/PiNodeController.h>
#include <Vx/Pi/PiToolPolicyDescriptor.h>
#include <Vx/Pi/PiToolProtocol.h>

#include <memory>
#include <string>

namespace Vx {

template <class Controller, class Descriptor>
class PiToolPolicyProtocol : public PiToolInterfaceManip, public virtual PiToolProtocol
{
public:
    using ControllerType = Controller;
    using DescriptorType = Descriptor;

    PiToolPolicyProtocol() = default;
    ~PiToolPolicyProtocol() override = default;

    /// Declares the tool into `descriptor`: Controller::describe.
    virtual void describe(Descriptor& descriptor) const { Controller::describe(descriptor); }
    /// Caches the description unless it is cached already.
    void describe() const
    {
        if (!m_policies.isNull())
            return;
        Descriptor descriptor(nullptr);
        describe(descriptor);
        copyFromDescriptor(descriptor);
    }
    /// Describes the tool into the host's `descriptor`; fills the cache the first time.
    void describe(PiToolDescriptor& descriptor) const override
    {
        Descriptor wrapper(&descriptor);
        describe(wrapper);
        if (m_policies.isNull())
            copyFromDescriptor(wrapper);
    }

    /// Fills the cache from a described descriptor: its primary input name and its entries.
    virtual void copyFromDescriptor(Descriptor& descriptor) const
    {
        m_primaryInput = descriptor.getPrimaryInput();
        m_policies = descriptor.getPolicies();
    }
    /// Attaches the cached policies to `controller`, one PiToolInterfaceManip::addInputPolicy
    /// per entry, in the description's order.
    virtual void initializeController(Controller& controller) const
    {
        for (Iterator<PiToolPolicyDescriptor::PolicyEntry> entry = m_policies; !entry.atEnd(); ++entry)
            addInputPolicy(controller, entry->getName(), entry->getPtr());
    }

    /// The primary input name of the cached description.
    std::string getPrimaryInput() const override
    {
        describe();
        return m_primaryInput;
    }
    /// A new Controller with the cached policies attached, owned by the caller.
    OPtr<PiNodeController> createController() const override
    {
        describe();
        std::unique_ptr<Controller> controller(new Controller);
        initializeController(*controller);
        return OPtr<PiNodeController>(controller.release());
    }

    /// The cached entries; a null iterator until the description is cached.
    const Iterator<PiToolPolicyDescriptor::PolicyEntry>& getCachedPolicies() const { return m_policies; }
    bool isDescribed() const { return !m_policies.isNull(); }

protected:
    /// Empties the cache, so that the next query describes the tool again (used when a cached
    /// description is rejected).
    void forgetDescription() const
    {
        m_primaryInput.clear();
        m_policies = Iterator<PiToolPolicyDescriptor::PolicyEntry>();
    }

private:
    mutable std::string m_primaryInput;
    mutable Iterator<PiToolPolicyDescriptor::PolicyEntry> m_policies;
};

} // namespace Vx
