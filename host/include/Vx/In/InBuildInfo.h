// Build information: what a library reports about its own build (product, version, build code,
// date, configuration), for "about" listings and support reports.
//
// A package makes an InBuildInfo while it initialises and hands it to
// InBuildInfoUtil::registerInfo, which owns it from then on. The host lets go of a package's
// build information when the package ends (it is terminated, its initialisation fails or its
// library is unloaded), so that no object outlives the code of its library. Main thread.
#pragma once

#include <Vx/RC/RCShdPtr.h>

#include <string>
#include <utility>
#include <vector>

namespace Vx {

class InPackageInit;

/// What a library says about its build. Strings are constant texts owned by the library.
class InBuildInfo
{
public:
    virtual ~InBuildInfo();
    /// The product the library belongs to ("Orvane Kestrin Library").
    virtual const char* getProductString() const = 0;
    /// The library's file name without suffix ("libVxexampleVxtool").
    virtual const char* getLibraryName() const = 0;
    /// The release the library was built for ("2013").
    virtual const char* getReleaseName() const = 0;
    /// The version as text ("8.0").
    virtual const char* getVersionString() const = 0;
    /// A suffix to the version ("dev"), empty for release builds.
    virtual const char* getVersionSuffix() const = 0;
    virtual int getMajorVersion() const = 0;
    virtual int getMinorVersion() const = 0;
    /// The kind of build, as the build system numbers it.
    virtual int getBuildCode() const = 0;
    /// The build's number in the build system ("2600").
    virtual const char* getBuildNumber() const = 0;
    /// The day it was built ("Jun 12 2012").
    virtual const char* getBuildDate() const = 0;
    /// Optimisation, architecture and compiler ("opt.x86_64.intel").
    virtual const char* getBuildConfiguration() const = 0;
};

struct InBuildInfoUtil
{
    /// Takes ownership of `info` and keeps it with the package being initialised (if any);
    /// returns the registered object. An empty `info` raises std::invalid_argument.
    static const InBuildInfo& registerInfo(OPtr<InBuildInfo> info);
    /// Every registered build information, oldest first.
    static std::vector<const InBuildInfo*> getInfos();
    /// The build information of the library named `libraryName`, or null.
    static const InBuildInfo* findInfo(const std::string& libraryName);
    /// The values of `info` as a record of named values, in the order of InBuildInfo's
    /// operations: ("Product", "Orvane Kestrin Library"), ("Library", ...), ... numbers in
    /// decimal.
    static std::vector<std::pair<std::string, std::string>> getFields(const InBuildInfo& info);
    /// Destroys the build information registered while `package` was initialising. The package
    /// registry calls it when it terminates or loses the package.
    static void releaseInfos(const InPackageInit& package);
};

} // namespace Vx
