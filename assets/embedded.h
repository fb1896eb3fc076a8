#pragma once
// The files built into the program: the payload archive and the window's pictures.
// Each is a byte block whose bytes are the file exactly; they live in read-only data
// and are used in place, never copied.
#include "platform/byte_block.h"

extern "C" const ByteBlock PayloadArchive;             // ZIP: the product's files
extern "C" const ByteBlock LogoPicture;                // JPEG 424 x 534
extern "C" const ByteBlock InstallButtonNormalPicture; // JPEG 220 x 80
extern "C" const ByteBlock InstallButtonHoverPicture;  // JPEG 220 x 80
extern "C" const ByteBlock CompletionPicture;          // JPEG 220 x 80
