// The frame of a Windows metafile that has no placeable header, in logical
// units: the first window origin and extent its records set, or failing
// that the bounds of what its drawing records touch (text is taken as a
// box of its character count times six tenths of the font height wide and
// one font height tall from its reference point, as a font is not at hand
// before playback). Nothing when neither gives an area.
#pragma once

#include <optional>
#include <span>

#include "platform/Gdi.h"

std::optional<RECT> WinMetaFileFrame(std::span<const BYTE> wmf);
