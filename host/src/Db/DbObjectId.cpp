// Object ids.
#include <Vx/Db/DbObjectId.h>

#include <mutex>
#include <random>

namespace Vx {

bool DbObjectId::isNull() const
{
    for (std::uint8_t b : bytes)
        if (b != 0)
            return false;
    return true;
}

std::string DbObjectId::toString() const
{
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10)
            text += '-';
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 0xF];
    }
    return text;
}

DbObjectId UuidUtil::generate()
{
    static std::mutex mutex;
    static std::mt19937_64 engine{std::random_device{}()};
    DbObjectId id;
    {
        std::lock_guard<std::mutex> lock(mutex);
        const std::uint64_t high = engine();
        const std::uint64_t low = engine();
        for (int i = 0; i < 8; ++i) {
            id.bytes[std::size_t(i)] = std::uint8_t(high >> (8 * i));
            id.bytes[std::size_t(8 + i)] = std::uint8_t(low >> (8 * i));
        }
    }
    // Version 4, variant 1: the bits that mark a random id.
    id.bytes[6] = std::uint8_t((id.bytes[6] & 0x0F) | 0x40);
    id.bytes[8] = std::uint8_t((id.bytes[8] & 0x3F) | 0x80);
    return id;
}

} // namespace Vx
