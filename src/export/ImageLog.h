#pragma once
// The picture decoders' own messages (libpng's "Read Error" for a file cut
// short, its warnings about a colour profile, libjpeg's "Premature end of JPEG
// file") mean nothing to a person: what went wrong reaches them through the
// program's own message, once. WARPLET_IMAGE_LOG=1 shows them again, for
// diagnosing a decoder. Other messages pass as before.
void SetUpImageLibraryLogging();

// Whether a message of Qt's category `category` with `text` is a decoder's own.
bool IsDecoderMessage(const char* category, const char* text);
