#include "waveio.h"

#include <algorithm>
#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

using namespace kalvora::audio;

namespace {
void put32(char* p, quint32 v) {
  for (int i = 0; i < 4; ++i) p[i] = char((v >> (8 * i)) & 0xFF);
}
}  // namespace

// ---------------------------------------------------------------------------------------------
// TWaveStream

qint64 TWaveStream::MaxDataBytes(const WaveFormat& format) {
  // RIFF size = 4 + fmt chunk + 8 + data (+ pad) must fit 32 bits.
  const qint64 fmtChunk = 8 + 18 + format.extra.size() + (format.extra.size() & 1);
  return 0xFFFFFFFFLL - 4 - fmtChunk - 8 - 1;
}

TWaveStream::TWaveStream(QIODevice* handle, const WaveFormat* format) : FHandle(handle) {
  if (!format) {
    DeviceSource src(handle);
    WaveLayout layout;
    const QString error = ReadWaveLayout(src, layout);
    if (!error.isEmpty()) throw EWaveError(error.toStdString());
    FFormat = layout.format;
    FDataOffset = layout.dataOffset;
    FDataBytes = layout.dataSize;
    FLength = layout.frames();
    if (!FHandle->seek(FDataOffset)) throw EWaveError("Error seeking data!");
    return;
  }
  FWriting = true;
  FFormat = *format;
  if (FFormat.blockAlign == 0) throw EWaveError("Error writing wave format.");
  const QByteArray fmt = FFormat.bytes();
  QByteArray head("RIFF\0\0\0\0WAVEfmt ", 16);
  char size[4];
  put32(size, quint32(fmt.size()));
  head.append(size, 4);
  head += fmt;
  if (fmt.size() & 1) head.append('\0');
  head += QByteArray("data\0\0\0\0", 8);
  if (!FHandle->seek(0)) throw EWaveError("Error creating chunk.");
  if (FHandle->write(head) != head.size()) throw EWaveError("Error writing wave format.");
  FDataOffset = head.size();
}

TWaveStream::~TWaveStream() {
  try {
    Close();
  } catch (const EWaveError&) {
    // Only a caller of Close() can report this.
  }
}

void TWaveStream::Close() {
  if (FClosed) return;
  FClosed = true;
  if (!FWriting) return;
  const qint64 end = FDataOffset + FDataBytes;
  if (!FHandle->seek(end)) throw EWaveError("Cannot ascend chunk.");
  if (FDataBytes & 1) {
    if (FHandle->write("\0", 1) != 1) throw EWaveError("Cannot ascend chunk.");
  }
  const qint64 fileEnd = end + (FDataBytes & 1);
  char size[4];
  put32(size, quint32(FDataBytes));
  if (!FHandle->seek(FDataOffset - 4) || FHandle->write(size, 4) != 4) throw EWaveError("Cannot ascend chunk.");
  put32(size, quint32(fileEnd - 8));
  if (!FHandle->seek(4) || FHandle->write(size, 4) != 4) throw EWaveError("Cannot ascend chunk.");
  if (auto* file = qobject_cast<QFileDevice*>(FHandle)) {
    if (!file->flush()) throw EWaveError("Cannot flush.");
  }
  FHandle->seek(fileEnd);
}

qint64 TWaveStream::Read(void* buffer, qint64 count) {
  const qint64 align = FFormat.blockAlign;
  const qint64 pos = FHandle->pos();
  // Reads stop at the end of the data chunk, whatever chunks follow it.
  const qint64 avail = std::max<qint64>(0, FDataOffset + FDataBytes - pos) / align;
  count = std::clamp<qint64>(count, 0, avail);
  if (count == 0) return 0;
  const qint64 n = FHandle->read(static_cast<char*>(buffer), count * align);
  if (n < 0) throw EWaveError("Error reading from file.");
  return n / align;
}

qint64 TWaveStream::Write(const void* buffer, qint64 count) {
  if (count <= 0) return 0;
  const qint64 align = FFormat.blockAlign;
  const qint64 pos = FHandle->pos();
  const qint64 newEnd = std::max(FDataBytes, pos - FDataOffset + count * align);
  if (newEnd > MaxDataBytes(FFormat)) throw EWaveError("Error writing to file.");
  const qint64 n = FHandle->write(static_cast<const char*>(buffer), count * align);
  if (n != count * align) throw EWaveError("Error writing to file.");
  FDataBytes = newEnd;
  FLength = FDataBytes / align;
  return n / align;
}

qint64 TWaveStream::Seek(qint64 offset, int origin) {
  const qint64 align = FFormat.blockAlign;
  qint64 target;
  if (origin == 0)
    target = FDataOffset + offset * align;
  else if (origin == 1)
    target = FHandle->pos() + offset * align;
  else
    target = FDataOffset + FDataBytes + offset * align;
  if (target < FDataOffset) throw EWaveError("Seeking to an invalid location in the file.");
  if (!FHandle->seek(target)) throw EWaveError("Seeking to an invalid location in the file.");
  return (target - FDataOffset) / align;
}

// ---------------------------------------------------------------------------------------------
// TFileWaveStream

QIODevice* TFileWaveStream::open(std::unique_ptr<QFile>& file, const QString& fileName, bool write) {
  file = std::make_unique<QFile>(fileName);
  // The stream reads and writes whole blocks: Qt's own buffer would only copy them once more.
  const auto mode = (write ? QIODevice::ReadWrite | QIODevice::Truncate : QIODevice::ReadOnly) | QIODevice::Unbuffered;
  if (!file->open(mode)) throw EWaveError("Can't open file stream.");
  return file.get();
}

TFileWaveStream::TFileWaveStream(const QString& fileName, const WaveFormat* format)
    : TWaveStream(open(FFile, fileName, format != nullptr), format) {}

TFileWaveStream::~TFileWaveStream() {
  try {
    Close();
  } catch (const EWaveError&) {
  }
  FFile->close();
}

// ---------------------------------------------------------------------------------------------
// TPCMWaveReader

struct TPCMWaveReader::Decoder {
  AVCodecContext* ctx = nullptr;
  AVPacket* packet = nullptr;
  AVFrame* frame = nullptr;
  SwrContext* swr = nullptr;
  bool perBlock = false;  // one packet per source block (block codecs such as ADPCM)
  ~Decoder() {
    swr_free(&swr);
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&ctx);
  }
};

namespace {
quint16 le16(const QByteArray& b, int at) {
  return b.size() >= at + 2 ? quint16(uchar(b[at]) | uchar(b[at + 1]) << 8) : 0;
}

AVCodecID pcmCodec(int bits, bool floating) {
  if (floating) return bits == 32 ? AV_CODEC_ID_PCM_F32LE : bits == 64 ? AV_CODEC_ID_PCM_F64LE : AV_CODEC_ID_NONE;
  switch (bits) {
    case 8: return AV_CODEC_ID_PCM_U8;
    case 16: return AV_CODEC_ID_PCM_S16LE;
    case 24: return AV_CODEC_ID_PCM_S24LE;
    case 32: return AV_CODEC_ID_PCM_S32LE;
    default: return AV_CODEC_ID_NONE;
  }
}

// The decoder of a format tag; NONE for formats the reader cannot turn into PCM.
AVCodecID codecOf(const WaveFormat& f) {
  switch (f.formatTag) {
    case WAVE_FORMAT_PCM: return pcmCodec(f.bitsPerSample, false);
    case WAVE_FORMAT_ADPCM: return AV_CODEC_ID_ADPCM_MS;
    case WAVE_FORMAT_IMA_ADPCM: return AV_CODEC_ID_ADPCM_IMA_WAV;
    case WAVE_FORMAT_IEEE_FLOAT: return pcmCodec(f.bitsPerSample, true);
    case WAVE_FORMAT_ALAW: return AV_CODEC_ID_PCM_ALAW;
    case WAVE_FORMAT_MULAW: return AV_CODEC_ID_PCM_MULAW;
    case WAVE_FORMAT_GSM610: return AV_CODEC_ID_GSM_MS;
    case WAVE_FORMAT_EXTENSIBLE: {
      // WAVEFORMATEXTENSIBLE: valid bits, channel mask, then the sub-format GUID whose first
      // two bytes are the plain format tag.
      const quint16 sub = le16(f.extra, 6);
      if (f.extra.size() < 22) return AV_CODEC_ID_NONE;
      if (sub == WAVE_FORMAT_PCM) return pcmCodec(f.bitsPerSample, false);
      if (sub == WAVE_FORMAT_IEEE_FLOAT) return pcmCodec(f.bitsPerSample, true);
      return AV_CODEC_ID_NONE;
    }
    default: return AV_CODEC_ID_NONE;
  }
}

bool isPcmLike(AVCodecID id) {
  const AVCodecDescriptor* d = avcodec_descriptor_get(id);
  return d && d->type == AVMEDIA_TYPE_AUDIO && id >= AV_CODEC_ID_FIRST_AUDIO && id < AV_CODEC_ID_ADPCM_IMA_QT;
}
}  // namespace

TPCMWaveReader::TPCMWaveReader(TWaveStream* stream, bool force16) : FStream(stream) {
  const WaveFormat& src = stream->Format();
  const bool plain16 = src.formatTag == WAVE_FORMAT_PCM && src.bitsPerSample == 16;
  if (src.formatTag == WAVE_FORMAT_PCM && (!force16 || plain16)) {
    FFormat = src;
    FFormat.extra.clear();
    FSamplesPerBlock = 1;
    FLength = stream->Length();
    return;
  }
  const AVCodecID id = codecOf(src);
  if (id == AV_CODEC_ID_NONE) throw EWaveError("Can't suggest pcm format.");
  if (src.channels > 64) throw EWaveError("Can't suggest pcm format.");
  FFormat = WaveFormat::pcm16(src.samplesPerSec, src.channels);

  FDecoder = std::make_unique<Decoder>();
  const AVCodec* codec = avcodec_find_decoder(id);
  FDecoder->ctx = codec ? avcodec_alloc_context3(codec) : nullptr;
  FDecoder->packet = av_packet_alloc();
  FDecoder->frame = av_frame_alloc();
  if (!FDecoder->ctx || !FDecoder->packet || !FDecoder->frame) throw EWaveError("Can't open acm stream.");
  AVCodecContext* c = FDecoder->ctx;
  c->sample_rate = int(std::min<quint32>(src.samplesPerSec, 1u << 30));
  av_channel_layout_default(&c->ch_layout, src.channels);
  c->block_align = src.blockAlign;
  c->bits_per_coded_sample = src.bitsPerSample;
  if (!src.extra.isEmpty() && src.formatTag != WAVE_FORMAT_EXTENSIBLE) {
    c->extradata = static_cast<uint8_t*>(av_mallocz(size_t(src.extra.size()) + AV_INPUT_BUFFER_PADDING_SIZE));
    if (!c->extradata) throw EWaveError("Can't open acm stream.");
    memcpy(c->extradata, src.extra.constData(), size_t(src.extra.size()));
    c->extradata_size = int(src.extra.size());
  }
  const bool pcmLike = isPcmLike(id);
  // A sample codec's block is one frame of all channels; any other block align is not its data.
  if (pcmLike && av_get_bits_per_sample(id) * src.channels != src.blockAlign * 8)
    throw EWaveError("Can't suggest pcm format.");
  if (avcodec_open2(c, codec, nullptr) < 0) throw EWaveError("Can't open acm stream.");
  FDecoder->perBlock = !pcmLike;

  // PCM frames per source block: 1 for sample codecs, the header's count for block codecs,
  // else what one decoded block gives.
  if (pcmLike) {
    FSamplesPerBlock = 1;
  } else if ((src.formatTag == WAVE_FORMAT_ADPCM || src.formatTag == WAVE_FORMAT_IMA_ADPCM ||
              src.formatTag == WAVE_FORMAT_GSM610) && le16(src.extra, 0) > 0) {
    FSamplesPerBlock = le16(src.extra, 0);
  } else {
    FSamplesPerBlock = 0;
    if (stream->Length() > 0) {
      FSrcBlocks = 1;
      FSamplesPerBlock = 1 << 20;  // provisional: no cap on what the first block gives
      convertBlock(0);
      FSamplesPerBlock = FPCMBufferSamples;
      FNextBlock = -1;
      FPCMBufferSamples = 0;
    }
    if (FSamplesPerBlock <= 0) throw EWaveError("Can't recommend an acm stream size.");
  }
  const qint64 dstPerBlock = FSamplesPerBlock * FFormat.blockAlign;
  // About FBufferLength bytes of PCM per conversion, and never more than a megabyte of source.
  FSrcBlocks = std::clamp<qint64>(FBufferLength / std::max<qint64>(1, dstPerBlock), 1,
                                   std::max<qint64>(1, (1 << 20) / src.blockAlign));
  FSrcBuffer.resize(FSrcBlocks * src.blockAlign);
  FLength = FSamplesPerBlock * stream->Length();
}

TPCMWaveReader::~TPCMWaveReader() = default;

void TPCMWaveReader::SetPosition(qint64 value) {
  if (value == FPosition) return;
  if (value < 0 || value >= FLength) throw EWaveError("Position out of bounds.");
  FPosition = value;
}

void TPCMWaveReader::convertBlock(qint64 block) {
  Decoder& d = *FDecoder;
  const int align = FStream->Format().blockAlign;
  if (block != FNextBlock) avcodec_flush_buffers(d.ctx);
  FStream->Seek(block, 0);
  FSrcBuffer.resize(FSrcBlocks * align);
  const qint64 blocks = FStream->Read(FSrcBuffer.data(), FSrcBlocks);
  FDstBuffer.clear();
  FPCMBufferSamples = 0;
  FPCMBufferSamplePos = block * FSamplesPerBlock;
  FNextBlock = block + blocks;
  const qint64 limit = std::max<qint64>(1, blocks) * FSamplesPerBlock;
  const int outAlign = FFormat.blockAlign;

  auto receive = [&]() {
    for (;;) {
      const int r = avcodec_receive_frame(d.ctx, d.frame);
      if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return;
      if (r < 0) throw EWaveError("Unable to convert sample.");
      if (!d.swr) {
        if (swr_alloc_set_opts2(&d.swr, &d.frame->ch_layout, AV_SAMPLE_FMT_S16, d.frame->sample_rate,
                                &d.frame->ch_layout, AVSampleFormat(d.frame->format), d.frame->sample_rate, 0,
                                nullptr) < 0 ||
            swr_init(d.swr) < 0)
          throw EWaveError("Unable to convert sample.");
      }
      if (d.frame->ch_layout.nb_channels != FFormat.channels) throw EWaveError("Unable to convert sample.");
      const qint64 n = d.frame->nb_samples;
      const qint64 keep = std::min(n, limit - FPCMBufferSamples);
      if (keep > 0) {
        const qint64 at = FDstBuffer.size();
        FDstBuffer.resize(at + n * outAlign);
        auto* out = reinterpret_cast<uint8_t*>(FDstBuffer.data() + at);
        const int got = swr_convert(d.swr, &out, int(n), const_cast<const uint8_t**>(d.frame->extended_data), int(n));
        if (got < 0) throw EWaveError("Unable to convert sample.");
        const qint64 used = std::min<qint64>(got, keep);
        FDstBuffer.resize(at + used * outAlign);
        FPCMBufferSamples += used;
      }
      av_frame_unref(d.frame);
    }
  };
  auto send = [&](const char* data, qint64 size) {
    if (av_new_packet(d.packet, int(size)) < 0) throw EWaveError("Unable to convert sample.");
    memcpy(d.packet->data, data, size_t(size));
    const int r = avcodec_send_packet(d.ctx, d.packet);
    av_packet_unref(d.packet);
    if (r < 0 && r != AVERROR(EAGAIN)) throw EWaveError("Unable to convert sample.");
    receive();
  };
  if (blocks <= 0) return;
  if (d.perBlock) {
    for (qint64 b = 0; b < blocks; ++b) send(FSrcBuffer.constData() + b * align, align);
  } else {
    send(FSrcBuffer.constData(), blocks * align);
  }
}

qint64 TPCMWaveReader::Read(void* buffer, qint64 count) {
  if (count < 1) return 0;
  if (!FDecoder) {
    FStream->Seek(FPosition, 0);
    const qint64 n = FStream->Read(buffer, count);
    FPosition += n;
    return n;
  }
  count = std::min(count, FLength - FPosition);
  if (count <= 0) return 0;
  auto* out = static_cast<char*>(buffer);
  const int align = FFormat.blockAlign;
  qint64 copied = 0;
  auto copyBuffered = [&]() {
    const qint64 pos = FPosition + copied;
    if (pos < FPCMBufferSamplePos || pos >= FPCMBufferSamplePos + FPCMBufferSamples) return qint64(0);
    const qint64 n = std::min(FPCMBufferSamplePos + FPCMBufferSamples - pos, count - copied);
    memcpy(out + copied * align, FDstBuffer.constData() + (pos - FPCMBufferSamplePos) * align, size_t(n * align));
    copied += n;
    return n;
  };
  copyBuffered();
  while (copied < count) {
    convertBlock((FPosition + copied) / FSamplesPerBlock);
    if (FPCMBufferSamplePos > FPosition + copied)
      throw EWaveError("Internal error: Position smaller than PCMBufferSamplePos");
    // A block that brings no frames for this position ends the read.
    if (copyBuffered() == 0) break;
  }
  FPosition += copied;
  return copied;
}
