// The object model: observers and their hints, and time differences. (Attribute references in
// texts: the Slate substitution tests, through the controller that replaces them.)
#include "ToolModelTestSupport.h"
#include "common/ExpectThrowMessage.h"

#include <Vx/Om/OmDefaultSettings.h>

using namespace Vx;
using namespace Vx::pitest;

namespace {

/// Records every components hint it receives: kind, component name (or "null"), attribute.
class RecordingObserver : public ObObserver<Om>
{
public:
    void update(const ObSubject<Om>&, const ObHints& hints) override
    {
        static const char* const kinds[] = {"added", "removed", "renamed", "changed", "link", "name"};
        static_assert(int(OmComponentsHint::Kind::AttributeAdded) == 0 && int(OmComponentsHint::Kind::NameChanged) == 5,
                      "the kinds are listed in their declaration order");
        for (const auto& hint : hints.getContainer()) {
            const auto* components = dynamic_cast<const OmComponentsHint*>(hint.get());
            if (!components)
                continue;
            std::string entry = std::string(kinds[int(components->getKind())]) + " " +
                                (components->getComponent() ? components->getComponent()->getName() : "null");
            if (!components->getAttributeName().empty())
                entry += " " + components->getAttributeName();
            received.push_back(entry);
        }
    }
    std::vector<std::string> received;
};

} // namespace

using OmObjectModelTest = ToolModelTest;

TEST_F(OmObjectModelTest, ObserversReceiveAttributeHintsForTheComposition)
{
    RecordingObserver observer;
    const OmSubjectInterface<OmComponentImp>& subject = *composition;
    subject.attachObserver(&observer);
    composition->setAttribute("client", "ACME");
    composition->setAttribute("client", "ACME"); // unchanged: no hint
    composition->setAttribute("client", "Globex");
    composition->renameAttribute("client", "customer");
    composition->removeAttribute("customer");
    composition->setVersionNumber(3);
    composition->getCommandStack()->undo();
    EXPECT_EQ(observer.received,
              (std::vector<std::string>{"added shot010 client", "changed shot010 client", "renamed shot010 customer",
                                        "removed shot010 customer", "changed shot010 Version Number",
                                        "changed shot010 Version Number"}));
    EXPECT_EQ(composition->getVersionNumber(), 1);
    subject.detachObserver(&observer);
    composition->setAttribute("client", "Initech");
    EXPECT_EQ(observer.received.size(), 6u);
}

TEST(DtTime, DifferencesNeedOneRate)
{
    EXPECT_EQ((DtTime{100, {24, 1}} - DtTime{1, {24, 1}}).getFrameCount(), 99);
    EXPECT_THROW_MESSAGE((void)(DtTime{1, {24, 1}} - DtTime{1, {25, 1}}), std::invalid_argument,
                         "The times 1@24/1 and 1@25/1 count frames of different rates and cannot be subtracted.");
}
