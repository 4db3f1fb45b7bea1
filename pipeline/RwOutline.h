#pragma once
// The one-line description of a RenderWare section that the section trees of the window
// and the command line show: "NAME (0xOFFSET, SIZE bytes) ", a String's text in quotes.
#include "rw/Stream.h"

#include <string>

std::string SectionLabel(RW::CStream& stream, RW::CNode* node);
