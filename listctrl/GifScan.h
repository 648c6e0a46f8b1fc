#pragma once
// The scan of a GIF file's bytes that finds its animation frames: a frame is a graphic
// control extension ("!" $F9 4, packed byte, 16-bit delay, transparent index, terminator)
// directly followed by an image descriptor (","). Every read is checked against the size,
// so truncated or hostile files only give fewer frames.
#include <QByteArray>
#include <cstdint>
#include <vector>

namespace kalvora::gifscan {

// At least 5 bytes starting with "GIF8".
bool IsGif(const QByteArray& data);

struct FrameInfo {
  int markerPos = 0;        // offset of the "!" of the extension
  int delay = 0;            // hundredths of a second
  bool transparent = false;
  int disposal = 0;         // disposal method, 0..7
  // The image descriptor (0 when the file ends inside it).
  std::uint16_t left = 0, top = 0, width = 0, height = 0;
};

// Every frame marker in file order (empty when not a GIF).
std::vector<FrameInfo> ScanFrames(const QByteArray& data);

// The logical screen size from the screen descriptor; 0, 0 when the file is too short.
void ScreenSize(const QByteArray& data, int& width, int& height);

}  // namespace kalvora::gifscan
