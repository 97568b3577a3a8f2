// The inputs every image generator shares: the format and resolution of the image it makes, its
// fill colour and alpha, and when it plays (in and out times, repeat mode, duration lock, time
// offset).
//
// A generator tool declares them with PiImageGeneratorImp::describeInputs and attaches their
// policies with addInputPolicies; it reads them by the names PiImageGenerator gives. Times are in
// seconds. Outside [in time, out time) the repeat mode decides what plays (PiImageRepeatNode); the
// time offset then shifts the whole clip later (PiImageTimeOffsetNode). Main thread only.
#pragma once

#include <Vx/Pi/PiNodeController.h>
#include <Vx/Pi/PiToolPolicyDescriptor.h>

#include <string>

namespace Vx {

struct PiImageGenerator
{
    /// The repeat modes of getRepeatModeInputName().
    enum RepeatMode : int
    {
        RepeatNone = 0, ///< transparent outside [in, out)
        RepeatHold = 1, ///< the first frame before, the last frame after
        RepeatLoop = 2, ///< the clip repeats
    };

    static const std::string& getFormatValueName();       ///< stored image format
    static const std::string& getXResolutionInputName();  ///< integer, pixels; 0 or less: the format's
    static const std::string& getYResolutionInputName();  ///< integer, pixels; 0 or less: the format's
    static const std::string& getFillColorInputName();    ///< colour
    static const std::string& getFillAlphaInputName();    ///< double 0..1
    static const std::string& getInTimeInputName();       ///< double, seconds
    static const std::string& getOutTimeInputName();      ///< double, seconds
    static const std::string& getRepeatModeInputName();   ///< enumeration RepeatMode
    static const std::string& getLockDurationInputName(); ///< switch
    static const std::string& getTimeOffsetInputName();   ///< double, seconds
};

struct PiImageGeneratorImp
{
    /// Declares the generator's inputs and the stored format, in the order of PiImageGenerator.
    static void describeInputs(PiToolPolicyDescriptor& descriptor);
    /// Attaches the generator's input policies to `controller` (replacing any under those names).
    static void addInputPolicies(PiNodeController& controller);
    /// Sets the stored format of the controller's node back to the default format, without
    /// recording it. Does nothing when the controller has no node yet.
    static void resetStoredValues(PiNodeController& controller);
};

} // namespace Vx
