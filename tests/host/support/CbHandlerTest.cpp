// Callback objects: CbMethod calls its owner's operation, CbDataFunction its function with the
// stored datum; both through the handler interface that registries hold.
#include "Probe.h"

#include <Vx/Cb/CbHandler.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>

namespace SupportTest {
namespace {

using Vx::CbDataFunction;
using Vx::CbHandler;
using Vx::CbMethod;
using Vx::makeShared;
using Vx::RCShdPtr;

class Accumulator
{
public:
    int add(int amount)
    {
        m_total += amount;
        return m_total;
    }
    void appendTotal(std::string& text, char separator)
    {
        text += std::to_string(m_total);
        text += separator;
    }
    int getTotal() const { return m_total; }

private:
    int m_total = 0;
};

TEST(CbMethod, CallsTheOwnersOperation)
{
    Accumulator accumulator;
    CbMethod<Accumulator, int, int> method(&accumulator, &Accumulator::add);
    EXPECT_EQ(method.getOwner(), &accumulator);
    EXPECT_EQ(method.call(5), 5);
    EXPECT_EQ(method(3), 8);
    EXPECT_EQ(accumulator.getTotal(), 8);
}

TEST(CbMethod, PassesReferenceArguments)
{
    Accumulator accumulator;
    accumulator.add(42);
    RCShdPtr<CbHandler<void, std::string&, char>> handler =
        makeShared<CbMethod<Accumulator, void, std::string&, char>>(&accumulator, &Accumulator::appendTotal);
    std::string text = "total ";
    handler->call(text, ';');
    (*handler)(text, '.');
    EXPECT_EQ(text, "total 42;42.");
}

std::string copyOf(const std::string& datum)
{
    return datum;
}

std::string repeated(const std::string& datum, int times)
{
    std::string text;
    for (int i = 0; i < times; ++i)
        text += datum;
    return text;
}

TEST(CbDataFunction, CallsTheFunctionWithACopyOfTheDatum)
{
    std::string frame = "12";
    RCShdPtr<CbHandler<std::string>> handler = makeShared<CbDataFunction<std::string, std::string>>(&copyOf, frame);
    frame = "13";
    EXPECT_EQ(handler->call(), "12");
    EXPECT_EQ((*handler)(), "12");
}

TEST(CbDataFunction, PassesTheCallsArgumentsAfterTheDatum)
{
    CbDataFunction<std::string, std::string, int> function(&repeated, "ab");
    EXPECT_EQ(function.getDatum(), "ab");
    EXPECT_EQ(function.call(3), "ababab");
    EXPECT_EQ(function(0), "");
}

int valueOf(const RCShdPtr<Probe>& probe)
{
    return probe->getValue();
}

TEST(CbDataFunction, ReleasesItsDatumWithTheLastReference)
{
    std::atomic<int> deaths{0};
    RCShdPtr<CbHandler<int>> handler =
        makeShared<CbDataFunction<int, RCShdPtr<Probe>>>(&valueOf, makeShared<Probe>(deaths, 9));
    EXPECT_EQ(handler->call(), 9);
    RCShdPtr<CbHandler<int>> registry = handler;
    handler.reset();
    EXPECT_EQ(deaths, 0);
    EXPECT_EQ(registry->call(), 9);
    registry.reset();
    EXPECT_EQ(deaths, 1);
}

} // namespace
} // namespace SupportTest
