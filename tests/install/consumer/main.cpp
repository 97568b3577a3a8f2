// Prints the timecode of frame 24 at 24 frames a second through the installed libvxhost.
#include <iostream>

#include <Vx/Li/LiTimeCode.h>

int main()
{
    const auto timecode = Vx::LiTimeCodeFactory::getInstance().createTimeCode(Vx::Rational(24, 1), 0);
    std::cout << timecode->toString(Vx::DtTime{24, Vx::Rational(24, 1)}) << '\n';
    return 0;
}
