#include "common/ExpectThrowMessage.h"

#include <Vx/In/InBuildInfo.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

using namespace Vx;

namespace {

/// Build information as a plug-in writes it.
class TestBuildInfo : public InBuildInfo
{
public:
    TestBuildInfo(const char* libraryName, int buildCode) : m_libraryName(libraryName), m_buildCode(buildCode) {}
    const char* getProductString() const override { return "Orvane Kestrin Library"; }
    const char* getLibraryName() const override { return m_libraryName; }
    const char* getReleaseName() const override { return "2013"; }
    const char* getVersionString() const override { return "8.0"; }
    const char* getVersionSuffix() const override { return ""; }
    int getMajorVersion() const override { return 8; }
    int getMinorVersion() const override { return 0; }
    int getBuildCode() const override { return m_buildCode; }
    const char* getBuildNumber() const override { return "2600"; }
    const char* getBuildDate() const override { return "Jun 12 2012"; }
    const char* getBuildConfiguration() const override { return "opt.x86_64.intel"; }

private:
    const char* m_libraryName;
    int m_buildCode;
};

} // namespace

TEST(InBuildInfoUtil, RegisteredInfoIsFoundAndListedAsNamedValues)
{
    const InBuildInfo& info =
        InBuildInfoUtil::registerInfo(OPtr<InBuildInfo>(new TestBuildInfo("libVxfieldsTest", 42)));
    EXPECT_EQ(InBuildInfoUtil::findInfo("libVxfieldsTest"), &info);
    EXPECT_EQ(InBuildInfoUtil::findInfo("libVxnotRegistered"), nullptr);
    const std::vector<const InBuildInfo*> infos = InBuildInfoUtil::getInfos();
    EXPECT_NE(std::find(infos.begin(), infos.end(), &info), infos.end());

    const std::vector<std::pair<std::string, std::string>> expected = {
        {"Product", "Orvane Kestrin Library"},
        {"Library", "libVxfieldsTest"},
        {"Release", "2013"},
        {"Version", "8.0"},
        {"Version suffix", ""},
        {"Major version", "8"},
        {"Minor version", "0"},
        {"Build code", "42"},
        {"Build number", "2600"},
        {"Build date", "Jun 12 2012"},
        {"Build configuration", "opt.x86_64.intel"},
    };
    EXPECT_EQ(InBuildInfoUtil::getFields(info), expected);
}

TEST(InBuildInfoUtil, EmptyPointerIsRejected)
{
    EXPECT_THROW_MESSAGE(InBuildInfoUtil::registerInfo(OPtr<InBuildInfo>()), std::invalid_argument,
                         "Build information cannot be registered: the pointer given is empty.");
}
