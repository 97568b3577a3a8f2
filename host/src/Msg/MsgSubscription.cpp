#include <Vx/Msg/MsgSubscription.h>

#include <stdexcept>
#include <utility>

namespace Vx {

MsgSubscription::MsgSubscription(std::string id) : m_id(std::move(id))
{
    if (m_id.empty())
        throw std::invalid_argument("A message subscription needs a message id, but the id given is empty.");
}

} // namespace Vx
