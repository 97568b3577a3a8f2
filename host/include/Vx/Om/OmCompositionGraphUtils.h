// References to a composition's user-defined attributes inside texts.
//
// A reference is written "<attr:" + attribute name + ">", for instance "<attr:client>"; the prefix
// keeps references apart from the tokens that tools write as "<" + name + ">". substituteUdas
// replaces each reference by the value of the attribute of that name on the composition that
// holds the graph. Main thread only.
#pragma once

#include <Vx/Li/LiString.h>
#include <Vx/Om/OmComposition.h>

#include <cstddef>
#include <string>

namespace Vx {

struct OmCompositionGraphUtils
{
    /// The text that opens a reference, "<attr:".
    static const std::string& getUdaPrefix();

    /// Replaces, in place, every reference "<attr:NAME>" in `text` by the value of the attribute
    /// NAME of the composition holding `graph`. The text is scanned once from left to right;
    /// inserted values are not scanned again. A reference to a missing attribute, an unterminated
    /// reference, and every reference when the graph belongs to no composition, are left as
    /// written. Names are compared exactly (letter case matters) and may hold any character but
    /// '>'.
    static void substituteUdas(const OmGraph& graph, std::string& text);
    /// The same, the result not growing beyond `maxLength` bytes (nor beyond the length of
    /// `text`, when that is longer): the scan stops at the first reference whose value would pass
    /// the bound and throws std::length_error (LiStringSubstituter::describeTooLong), `text`
    /// unchanged.
    static void substituteUdas(const OmGraph& graph, std::string& text, std::size_t maxLength);
    /// The same for a host string, replaced in place.
    static void substituteUdas(const OmGraph& graph, LiString& text) { substituteUdas(graph, text.str()); }
    /// The same, through a handle; a null handle raises the host's null-pointer exception.
    template <class Graph> static void substituteUdas(const RCShdPtr<Graph>& graph, std::string& text)
    {
        substituteUdas(checkedGraph(graph), text);
    }
    template <class Graph> static void substituteUdas(const RCShdPtr<Graph>& graph, LiString& text)
    {
        substituteUdas(checkedGraph(graph), text.str());
    }

private:
    template <class Graph> static const OmGraph& checkedGraph(const RCShdPtr<Graph>& graph)
    {
        if (!graph)
            RCExUtil::throwExNullPtr(RCExUtil::typeName(typeid(RCShdPtr<Graph>)));
        return static_cast<const OmGraph&>(*graph);
    }
};

} // namespace Vx
