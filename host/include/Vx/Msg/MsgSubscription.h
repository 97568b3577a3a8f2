// A message id that a package declares once and raises warnings with.
//
// Plug-ins make their subscriptions as package-wide constants, so they are built during the
// library's static initialisation, possibly before the message server exists. A subscription is
// therefore a plain value (the id's characters) and touches nothing else when it is made; the
// tool hands it to MsgServer::addSubscription later, when its package is initialised.
#pragma once

#include <string>

namespace Vx {

class MsgSubscription
{
public:
    /// Declares the message `id` ("EXAMPLE_ERR_INVALID_FONT"). Safe during static
    /// initialisation: nothing but the id is built. An empty id raises std::invalid_argument.
    explicit MsgSubscription(std::string id);

    /// The message id, as given.
    const std::string& getId() const noexcept { return m_id; }

private:
    std::string m_id;
};

} // namespace Vx
