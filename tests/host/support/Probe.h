// A reference-counted object for the support tests that counts its destructions, so that a test
// sees exactly when (and how often) the last reference destroyed it.
#pragma once

#include <Vx/RC/RCBase.h>

#include <atomic>

namespace SupportTest {

class Probe : public Vx::RCObject
{
public:
    explicit Probe(std::atomic<int>& deaths, int value = 0) : m_deaths(deaths), m_value(value) {}
    ~Probe() override { ++m_deaths; }

    int getValue() const { return m_value; }

private:
    std::atomic<int>& m_deaths;
    int m_value;
};

class DerivedProbe : public Probe
{
public:
    using Probe::Probe;
};

} // namespace SupportTest
