// The GIF frame scan and the animation stepping of mark-up pictures on damaged GIF files.
#include <QGuiApplication>
#include <cstdint>
#include <cstdlib>

#include "GifScan.h"
#include "PictureStore.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  static QGuiApplication app(*argc, *argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 64 * 1024) return 0;
  // Always a GIF signature, so the input goes to the scan and the GIF decoder.
  QByteArray bytes("GIF89a");
  bytes.append(reinterpret_cast<const char*>(data), qsizetype(size));
  const auto frames = kalvora::gifscan::ScanFrames(bytes);
  int w = 0, h = 0;
  kalvora::gifscan::ScreenSize(bytes, w, h);
  if (w < 0 || h < 0) std::abort();
  kalvora::THTMLPicture pic;
  try {
    pic.LoadFromData(bytes);
  } catch (const std::exception&) {
  }
  if (pic.FrameCount() != int(frames.size())) std::abort();
  for (int i = 0; i < 8; ++i) pic.Step();
  for (int n = 0; n <= int(frames.size()) + 1 && n < 6; ++n) pic.FrameDelay(n);
  try {
    pic.SetFrame(int(frames.size()));
  } catch (const std::exception&) {
  }
  return 0;
}
