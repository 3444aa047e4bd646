// The text records of both metafile kinds: fonts, text colour, alignment,
// character spacing and the text output records, read into the canvas's
// state and drawn by it.
#pragma once

#include <optional>

#include "platform/MetafileCanvas.h"
#include "platform/MetafileRecord.h"

// A font object of EMR_EXTCREATEFONTINDIRECTW.
MetaObject EmfFontObject(const RecordView& r);
// The stock fonts (OEM_FIXED_FONT to DEFAULT_GUI_FONT); none for another index.
std::optional<MetaObject> StockFontObject(DWORD index);
// Plays an EMF text record; false when the type is not one.
bool PlayEmfText(MetafileCanvas& canvas, DWORD type, const RecordView& r);

// A font object of META_CREATEFONTINDIRECT.
MetaObject WmfFontObject(const RecordView& r);
// Plays a WMF text record; false when the function is not one.
bool PlayWmfText(MetafileCanvas& canvas, WORD function, const RecordView& r);
