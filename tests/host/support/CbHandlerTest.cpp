// Callback registries: handlers of an event called oldest first, registrations ending with
// whichever side dies first, and a handler destroyed by an earlier one skipped.
#include <Vx/Cb/CbHandler.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace SupportTest {
namespace {

using Vx::CbCallbackList;
using Vx::CbHandler;

/// A handler that appends its name and the event to a shared log.
class LoggingHandler : public CbHandler<void, int>
{
public:
    LoggingHandler(std::vector<std::string>& log, std::string name) : m_log(log), m_name(std::move(name)) {}
    void call(int event) const override { m_log.push_back(m_name + ":" + std::to_string(event)); }

private:
    std::vector<std::string>& m_log;
    std::string m_name;
};

using EventList = CbCallbackList<int, CbHandler<void, int>>;

TEST(CbCallbackList, CallsTheHandlersOfAnEventOldestFirst)
{
    std::vector<std::string> log;
    LoggingHandler a(log, "a");
    LoggingHandler b(log, "b");
    EventList list;
    list.add(1, &b);
    list.add(1, &a);
    list.add(1, &b); // already registered: no second call
    list.add(2, &a);
    list.add(1, nullptr);
    EXPECT_EQ(list.getCount(), 3u);
    list.notify(1, 1);
    list.notify(2, 2);
    list.notify(3, 3);
    EXPECT_EQ(log, (std::vector<std::string>{"b:1", "a:1", "a:2"}));
    EXPECT_EQ(a.getRegistrationCount(), 2u);
    EXPECT_EQ(b.getRegistrationCount(), 1u);

    list.remove(1, &a);
    EXPECT_EQ(a.getRegistrationCount(), 1u);
    EXPECT_FALSE(list.contains(1, &a));
}

TEST(CbCallbackList, EndsRegistrationsWithWhicheverSideDiesFirst)
{
    std::vector<std::string> log;
    EventList list;
    auto doomed = std::make_unique<LoggingHandler>(log, "doomed");
    LoggingHandler survivor(log, "survivor");
    list.add(1, doomed.get());
    list.add(2, doomed.get());
    list.add(1, &survivor);
    doomed.reset();
    EXPECT_EQ(list.getCount(), 1u);
    EXPECT_EQ(list.getLinkCount(), 1u);
    list.notify(1, 1);
    list.notify(2, 2);
    EXPECT_EQ(log, (std::vector<std::string>{"survivor:1"}));
    {
        EventList first;
        first.add(1, &survivor);
    }
    EXPECT_EQ(survivor.getRegistrationCount(), 1u) << "a list destroyed first lets its handlers go";
}

TEST(CbCallbackList, SkipsAHandlerDestroyedByAnEarlierOne)
{
    std::vector<std::string> log;
    EventList list;
    auto victim = std::make_unique<LoggingHandler>(log, "victim");
    Vx::CbDataFunction<void, std::unique_ptr<LoggingHandler>*, int> killer(
        [](std::unique_ptr<LoggingHandler>* const& target, int) { target->reset(); }, &victim);
    list.add(1, &killer);
    list.add(1, victim.get());
    list.notify(1, 1);
    EXPECT_EQ(victim, nullptr);
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(list.getCount(), 1u);
}

} // namespace
} // namespace SupportTest
