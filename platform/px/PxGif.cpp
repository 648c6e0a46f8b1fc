// GIF through giflib: every frame becomes one 8-bit bitmap of the frame's own size with its
// position, delay, disposal and transparent index; the screen, background, global palette and
// loop count go to the file information. A frame that does not lie inside the screen is refused.
#include <algorithm>
#include <cstring>

#include <gif_lib.h>

#include "PxCodec.h"

namespace px::detail {

namespace {

int ReadFn(GifFileType* g, GifByteType* buf, int len) {
  if (len <= 0) return 0;
  return int(static_cast<MemoryInput*>(g->UserData)->read(buf, size_t(len)));
}

std::vector<uint32_t> ToPalette(const ColorMapObject* map) {
  std::vector<uint32_t> pal;
  if (!map || !map->Colors) return pal;
  for (int i = 0; i < map->ColorCount && i < 256; ++i)
    pal.push_back(uint32_t(map->Colors[i].Red) << 16 | uint32_t(map->Colors[i].Green) << 8 | map->Colors[i].Blue);
  return pal;
}

// Walks the whole file; fills info when given and hands decoded frames to the sink when given.
int Walk(const uint8_t* d, size_t n, FileInfo* info, PageSink* sink) {
  MemoryInput in{d, n, 0};
  int err = 0;
  GifFileType* g = DGifOpen(&in, ReadFn, &err);
  if (!g) return err == D_GIF_ERR_NOT_GIF_FILE ? kInvalidFormat : kReadError;
  struct Closer {
    GifFileType* g;
    ~Closer() {
      int e = 0;
      DGifCloseFile(g, &e);
    }
  } closer{g};
  if (!SizeOk(g->SWidth, g->SHeight)) return kInvalidSize;
  std::vector<uint32_t> globalPal = ToPalette(g->SColorMap);
  if (info) {
    info->format = kFormatGif;
    info->width = g->SWidth;
    info->height = g->SHeight;
    info->globalWidth = g->SWidth;
    info->globalHeight = g->SHeight;
    info->bits = 8;
    info->compression = 1;
    if (!globalPal.empty()) {
      info->globalPalette = globalPal;
      info->flags |= kInfoHasPalette;
      if (g->SBackGroundColor < int(globalPal.size())) {
        info->background = globalPal[size_t(g->SBackGroundColor)];
        info->flags |= kInfoHasBackground;
      }
    }
  }
  GraphicsControlBlock gcb{DISPOSAL_UNSPECIFIED, false, 0, NO_TRANSPARENT_COLOR};
  int frames = 0;
  for (;;) {
    GifRecordType type;
    if (DGifGetRecordType(g, &type) == GIF_ERROR) return kReadError;
    if (type == TERMINATE_RECORD_TYPE) break;
    if (type == EXTENSION_RECORD_TYPE) {
      int code = 0;
      GifByteType* ext = nullptr;
      if (DGifGetExtension(g, &code, &ext) == GIF_ERROR) return kReadError;
      bool netscape = false;
      if (ext && code == GRAPHICS_EXT_FUNC_CODE && ext[0] >= 4) {
        DGifExtensionToGCB(ext[0], ext + 1, &gcb);
      } else if (ext && code == APPLICATION_EXT_FUNC_CODE && ext[0] >= 11 &&
                 (std::memcmp(ext + 1, "NETSCAPE2.0", 11) == 0 || std::memcmp(ext + 1, "ANIMEXTS1.0", 11) == 0)) {
        netscape = true;
      } else if (ext && code == COMMENT_EXT_FUNC_CODE && info && info->text.size() < 255) {
        info->text.append(reinterpret_cast<const char*>(ext + 1), ext[0]);
        if (info->text.size() > 255) info->text.resize(255);
      }
      while (ext) {
        if (DGifGetExtensionNext(g, &ext) == GIF_ERROR) return kReadError;
        if (ext && netscape && ext[0] >= 3 && ext[1] == 1 && info) {
          info->loopCount = ext[2] | (ext[3] << 8);
          info->flags |= kInfoHasLoop;
        }
      }
      continue;
    }
    if (type != IMAGE_DESC_RECORD_TYPE) continue;
    if (DGifGetImageDesc(g) == GIF_ERROR) return kReadError;
    const GifImageDesc& desc = g->Image;
    if (desc.Width <= 0 || desc.Height <= 0 || desc.Left < 0 || desc.Top < 0 ||
        int64_t(desc.Left) + desc.Width > g->SWidth || int64_t(desc.Top) + desc.Height > g->SHeight)
      return kInvalidSize;
    if (++frames > limits().maxPages) return kInvalidSize;
    // giflib 5.2 keeps every image descriptor (with its colour map) in SavedImages; drop them
    // so a long animation costs no memory per frame.
    if (g->ImageCount > 0 && g->SavedImages) {
      SavedImage& si = g->SavedImages[g->ImageCount - 1];
      if (si.ImageDesc.ColorMap && si.ImageDesc.ColorMap != desc.ColorMap) {
        GifFreeMapObject(si.ImageDesc.ColorMap);
        si.ImageDesc.ColorMap = nullptr;
      }
    }
    bool decode = sink != nullptr;
    if (!decode) {
      int codeSize = 0;
      GifByteType* block = nullptr;
      if (DGifGetCode(g, &codeSize, &block) == GIF_ERROR) return kReadError;
      while (block)
        if (DGifGetCodeNext(g, &block) == GIF_ERROR) return kReadError;
    } else {
      std::vector<uint32_t> pal = desc.ColorMap ? ToPalette(desc.ColorMap) : globalPal;
      if (pal.empty()) pal = GreyPalette(256);
      pal.resize(256, 0);  // indexes past the map show black
      Bitmap bmp;
      int st = CreateBitmap(bmp, desc.Width, desc.Height, 8, &pal);
      if (st != kOk) return st;
      bmp.frameLeft = desc.Left;
      bmp.frameTop = desc.Top;
      bmp.delay = gcb.DelayTime;
      bmp.disposal = gcb.DisposalMode;
      bmp.transparentIndex = gcb.TransparentColor;
      if (bmp.transparentIndex >= 0) bmp.flags |= kFlagTransparency;
      st = sink->beginPage(bmp);
      if (st != kOk) return st;
      if (desc.Interlace) {
        static const int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
        for (int pass = 0; pass < 4; ++pass)
          for (int y = start[pass]; y < desc.Height; y += step[pass])
            if (DGifGetLine(g, bmp.scanLine(y), desc.Width) == GIF_ERROR) return kReadError;
        st = sink->rows(0, desc.Height);
        if (st != kOk) return st;
      } else {
        int bandStart = 0;
        for (int y = 0; y < desc.Height; ++y) {
          if (DGifGetLine(g, bmp.scanLine(y), desc.Width) == GIF_ERROR) return kReadError;
          if (y + 1 - bandStart >= 32 || y + 1 == desc.Height) {
            st = sink->rows(bandStart, y + 1 - bandStart);
            if (st != kOk) return st;
            bandStart = y + 1;
          }
        }
      }
      st = sink->endPage();
      if (st != kOk) return st;
    }
    gcb = GraphicsControlBlock{DISPOSAL_UNSPECIFIED, false, 0, NO_TRANSPARENT_COLOR};
  }
  if (frames == 0) return kInvalidFormat;
  if (info) {
    info->pageCount = frames;
  }
  return kOk;
}

struct MemOut {
  std::vector<uint8_t>* out;
};

int WriteFn(GifFileType* g, const GifByteType* buf, int len) {
  auto* m = static_cast<MemOut*>(g->UserData);
  m->out->insert(m->out->end(), buf, buf + len);
  return len;
}

ColorMapObject* MakeMap(const std::vector<uint32_t>& pal, int bits) {
  int count = 1 << std::max(1, bits);
  std::vector<GifColorType> colors(size_t(count), GifColorType{0, 0, 0});
  for (size_t i = 0; i < pal.size() && i < colors.size(); ++i)
    colors[i] = GifColorType{GifByteType(pal[i] >> 16), GifByteType(pal[i] >> 8), GifByteType(pal[i])};
  return GifMakeMapObject(count, colors.data());
}

}  // namespace

bool IsGif(const uint8_t* d, size_t n) { return n >= 6 && std::memcmp(d, "GIF8", 4) == 0; }

int GifInfo(const uint8_t* d, size_t n, FileInfo& info) { return Walk(d, n, &info, nullptr); }

int GifDecode(const uint8_t* d, size_t n, PageSink& sink) { return Walk(d, n, nullptr, &sink); }

int GifEncode(std::vector<uint8_t>& out, const std::vector<const Bitmap*>& frames, const SaveOptions& options,
              bool animation) {
  if (frames.empty()) return kNotEnoughImages;
  int sw = animation ? options.globalWidth : 0, sh = animation ? options.globalHeight : 0;
  for (const Bitmap* f : frames) {
    if (f->bits > 8) return kInvalidBits;
    int left = animation ? f->frameLeft : 0, top = animation ? f->frameTop : 0;
    sw = std::max(sw, left + f->width);
    sh = std::max(sh, top + f->height);
  }
  if (sw > 65535 || sh > 65535) return kInvalidSize;
  out.clear();
  MemOut mo{&out};
  int err = 0;
  GifFileType* g = EGifOpen(&mo, WriteFn, &err);
  if (!g) return kWriteError;
  EGifSetGifVersion(g, true);
  auto fail = [&](int status) {
    int e = 0;
    EGifCloseFile(g, &e);
    out.clear();
    return status;
  };
  // A global palette when the caller kept one from the loaded file.
  ColorMapObject* global = nullptr;
  int bgIndex = 0;
  if (animation && !options.globalPalette.empty() && (options.flags & 8)) {
    global = MakeMap(options.globalPalette, 8);
    if (options.flags & 4) {
      for (size_t i = 0; i < options.globalPalette.size(); ++i)
        if ((options.globalPalette[i] & 0xFFFFFF) == (options.background & 0xFFFFFF)) {
          bgIndex = int(i);
          break;
        }
    }
  }
  int st = EGifPutScreenDesc(g, sw, sh, 8, bgIndex, global);
  if (global) GifFreeMapObject(global);
  if (st == GIF_ERROR) return fail(kWriteError);
  if (animation && options.loopCount >= 0 && frames.size() > 1) {
    const uint8_t loop[3] = {1, uint8_t(options.loopCount & 255), uint8_t((options.loopCount >> 8) & 255)};
    if (EGifPutExtensionLeader(g, APPLICATION_EXT_FUNC_CODE) == GIF_ERROR ||
        EGifPutExtensionBlock(g, 11, "NETSCAPE2.0") == GIF_ERROR || EGifPutExtensionBlock(g, 3, loop) == GIF_ERROR ||
        EGifPutExtensionTrailer(g) == GIF_ERROR)
      return fail(kWriteError);
  }
  std::vector<GifPixelType> line;
  for (size_t i = 0; i < frames.size(); ++i) {
    const Bitmap& f = *frames[i];
    GraphicsControlBlock gcb{animation ? f.disposal : DISPOSAL_UNSPECIFIED, false, animation ? f.delay : 0,
                             f.transparentIndex >= 0 && f.transparentIndex < (1 << f.bits) ? f.transparentIndex
                                                                                           : NO_TRANSPARENT_COLOR};
    GifByteType ext[4];
    EGifGCBToExtension(&gcb, ext);
    if (EGifPutExtension(g, GRAPHICS_EXT_FUNC_CODE, 4, ext) == GIF_ERROR) return fail(kWriteError);
    ColorMapObject* map = MakeMap(f.palette, f.bits);
    int r = EGifPutImageDesc(g, animation ? f.frameLeft : 0, animation ? f.frameTop : 0, f.width, f.height, false, map);
    GifFreeMapObject(map);
    if (r == GIF_ERROR) return fail(kWriteError);
    line.resize(size_t(f.width));
    for (int y = 0; y < f.height; ++y) {
      for (int x = 0; x < f.width; ++x) line[size_t(x)] = GifPixelType(GetIndex(f, x, y));
      if (EGifPutLine(g, line.data(), f.width) == GIF_ERROR) return fail(kWriteError);
    }
    if (!Progress(50 + int((i + 1) * 50 / frames.size()))) return fail(kAborted);
  }
  if (EGifCloseFile(g, &err) == GIF_ERROR) {
    out.clear();
    return kWriteError;
  }
  return kOk;
}

}  // namespace px::detail
