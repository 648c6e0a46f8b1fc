#include "MpegEncoder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QImage>
#include <QRegularExpression>
#include <cmath>
#include <cstring>
#include <memory>
#include <stdexcept>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include "FileOps.h"

namespace kalvora::mpeg {
namespace {

constexpr int kSampleRate = 44100;

struct Failure : std::runtime_error {
  explicit Failure(const QString& s) : std::runtime_error(s.toStdString()) {}
};
struct Abort {};

QString AvError(int code) {
  char buf[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, buf, sizeof buf);
  return QString::fromUtf8(buf);
}

void Check(int code, const char* what) {
  if (code < 0) throw Failure(QString::fromUtf8("MPEG-Encoder: %1 (%2)").arg(what, AvError(code)));
}

struct CodecCtxFree {
  void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FrameFree {
  void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketFree {
  void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct SwsFree {
  void operator()(SwsContext* s) const { sws_freeContext(s); }
};
struct SwrFree {
  void operator()(SwrContext* s) const { swr_free(&s); }
};
struct FifoFree {
  void operator()(AVAudioFifo* f) const { av_audio_fifo_free(f); }
};
struct InputFree {
  void operator()(AVFormatContext* f) const { avformat_close_input(&f); }
};
using CodecPtr = std::unique_ptr<AVCodecContext, CodecCtxFree>;
using FramePtr = std::unique_ptr<AVFrame, FrameFree>;
using PacketPtr = std::unique_ptr<AVPacket, PacketFree>;

// The output file; closes and, unless kept, deletes it.
struct Output {
  AVFormatContext* ctx = nullptr;
  bool headerWritten = false;
  bool keep = false;
  QString path;
  ~Output() {
    if (!ctx) return;
    if (ctx->pb) avio_closep(&ctx->pb);
    avformat_free_context(ctx);
    if (!keep) QFile::remove(path);
  }
};

// The sound track, decoded and resampled to 16-bit stereo 44 100 Hz on demand; silence after
// its end (or throughout when there is none).
class SoundSource {
 public:
  explicit SoundSource(const QString& wav) {
    fifo_.reset(av_audio_fifo_alloc(AV_SAMPLE_FMT_S16, 2, 4096));
    if (!QFileInfo::exists(wav)) return;
    AVFormatContext* in = nullptr;
    if (avformat_open_input(&in, QFile::encodeName(wav).constData(), nullptr, nullptr) < 0)
      throw Failure(QString::fromUtf8("Die Tondatei kann nicht gelesen werden: %1").arg(wav));
    in_.reset(in);
    if (avformat_find_stream_info(in, nullptr) < 0)
      throw Failure(QString::fromUtf8("Die Tondatei kann nicht gelesen werden: %1").arg(wav));
    const AVCodec* dec = nullptr;
    stream_ = av_find_best_stream(in, AVMEDIA_TYPE_AUDIO, -1, -1, &dec, 0);
    if (stream_ < 0 || !dec) throw Failure(QString::fromUtf8("Die Tondatei enthält keinen Ton: %1").arg(wav));
    dec_.reset(avcodec_alloc_context3(dec));
    Check(avcodec_parameters_to_context(dec_.get(), in->streams[stream_]->codecpar), "Ton-Decoder");
    Check(avcodec_open2(dec_.get(), dec, nullptr), "Ton-Decoder");
    AVChannelLayout outLayout = AV_CHANNEL_LAYOUT_STEREO;
    AVChannelLayout inLayout;
    if (dec_->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
      av_channel_layout_default(&inLayout, dec_->ch_layout.nb_channels);
    else
      av_channel_layout_copy(&inLayout, &dec_->ch_layout);
    SwrContext* swr = nullptr;
    const int rc = swr_alloc_set_opts2(&swr, &outLayout, AV_SAMPLE_FMT_S16, kSampleRate, &inLayout, dec_->sample_fmt,
                                       dec_->sample_rate, 0, nullptr);
    av_channel_layout_uninit(&inLayout);
    Check(rc, "Ton-Umwandlung");
    swr_.reset(swr);
    Check(swr_init(swr), "Ton-Umwandlung");
    packet_.reset(av_packet_alloc());
    frame_.reset(av_frame_alloc());
  }

  // Fills `out` (S16 stereo, `samples` per channel) from the track, silence past its end.
  void Read(int16_t* out, int samples) {
    while (!ended_ && av_audio_fifo_size(fifo_.get()) < samples) Pull();
    const int have = std::min(samples, av_audio_fifo_size(fifo_.get()));
    void* planes[1] = {out};
    if (have > 0) av_audio_fifo_read(fifo_.get(), planes, have);
    std::fill(out + 2 * have, out + 2 * samples, int16_t(0));
  }

 private:
  void Push(const uint8_t** data, int count) {
    const int max = swr_get_out_samples(swr_.get(), count);
    if (max <= 0) return;
    std::vector<int16_t> buf(size_t(max) * 2);
    uint8_t* outPlanes[1] = {reinterpret_cast<uint8_t*>(buf.data())};
    const int got = swr_convert(swr_.get(), outPlanes, max, data, count);
    Check(got, "Ton-Umwandlung");
    void* planes[1] = {buf.data()};
    if (got > 0) av_audio_fifo_write(fifo_.get(), planes, got);
  }
  void Drain() {
    while (avcodec_receive_frame(dec_.get(), frame_.get()) >= 0) {
      Push(const_cast<const uint8_t**>(frame_->extended_data), frame_->nb_samples);
      av_frame_unref(frame_.get());
    }
  }
  void Pull() {
    if (!in_) {
      ended_ = true;
      return;
    }
    const int r = av_read_frame(in_.get(), packet_.get());
    if (r < 0) {
      avcodec_send_packet(dec_.get(), nullptr);
      Drain();
      Push(nullptr, 0);
      ended_ = true;
      return;
    }
    if (packet_->stream_index == stream_) {
      if (avcodec_send_packet(dec_.get(), packet_.get()) >= 0) Drain();
    }
    av_packet_unref(packet_.get());
  }

  std::unique_ptr<AVFormatContext, InputFree> in_;
  CodecPtr dec_;
  std::unique_ptr<SwrContext, SwrFree> swr_;
  std::unique_ptr<AVAudioFifo, FifoFree> fifo_;
  PacketPtr packet_;
  FramePtr frame_;
  int stream_ = -1;
  bool ended_ = false;
};

// The disc kind: SVCD by the output's name, PAL or NTSC by the first frame's height.
struct Disc {
  bool svcd = false, pal = false;
  int width = 0, height = 0;
  AVRational rate{25, 1};
};

Disc discFor(const QString& output, const QString& firstFrame) {
  QImage first(firstFrame);
  if (first.isNull()) throw Failure(QString::fromUtf8("Bild kann nicht gelesen werden: %1").arg(firstFrame));
  Disc d;
  d.svcd = output.endsWith("_SVCD.mpg", Qt::CaseInsensitive);
  d.pal = d.svcd ? first.height() > 500 : first.height() > 260;
  d.width = d.svcd ? 480 : 352;
  d.height = d.svcd ? (d.pal ? 576 : 480) : (d.pal ? 288 : 240);
  d.rate = d.pal ? AVRational{25, 1} : AVRational{30000, 1001};
  return d;
}

// MPEG-1 for VCD, MPEG-2 for SVCD, at the rates and buffer sizes of the disc kind.
CodecPtr openVideoEncoder(const Disc& d, const AVFormatContext* oc) {
  const AVCodec* vcodec = avcodec_find_encoder(d.svcd ? AV_CODEC_ID_MPEG2VIDEO : AV_CODEC_ID_MPEG1VIDEO);
  if (!vcodec) throw Failure(QString::fromUtf8("MPEG-Encoder: kein Video-Encoder vorhanden"));
  CodecPtr venc(avcodec_alloc_context3(vcodec));
  venc->width = d.width;
  venc->height = d.height;
  venc->pix_fmt = AV_PIX_FMT_YUV420P;
  venc->time_base = AVRational{d.rate.den, d.rate.num};
  venc->framerate = d.rate;
  venc->gop_size = d.pal ? 15 : 18;
  venc->max_b_frames = 2;
  // The frames are made for a 4:3 screen: their pixels are as wide as 4:3 over the frame size
  // (PAL VCD 12:11, NTSC VCD 10:11, PAL SVCD 8:5, NTSC SVCD 4:3). MPEG-1 stores the nearest of
  // its fixed pixel shapes, MPEG-2 the 4:3 display shape itself.
  venc->sample_aspect_ratio = av_div_q(AVRational{4, 3}, AVRational{d.width, d.height});
  if (d.svcd) {
    venc->bit_rate = 2040000;
    venc->rc_max_rate = 2516000;
    venc->rc_min_rate = 0;
    venc->rc_buffer_size = 1835008;
    av_opt_set_int(venc->priv_data, "scan_offset", 1, 0);
  } else {
    venc->bit_rate = 1150000;
    venc->rc_max_rate = 1150000;
    venc->rc_min_rate = 1150000;
    venc->rc_buffer_size = 327680;
  }
  venc->rc_initial_buffer_occupancy = venc->rc_buffer_size * 3 / 4;
  if (oc->oformat->flags & AVFMT_GLOBALHEADER) venc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  Check(avcodec_open2(venc.get(), vcodec, nullptr), "Video-Encoder");
  return venc;
}

// MP2 at 224 kbit/s, 16-bit stereo, 44 100 Hz: the sound of both disc kinds.
CodecPtr openAudioEncoder() {
  const AVCodec* acodec = avcodec_find_encoder(AV_CODEC_ID_MP2);
  if (!acodec) throw Failure(QString::fromUtf8("MPEG-Encoder: kein MP2-Encoder vorhanden"));
  CodecPtr aenc(avcodec_alloc_context3(acodec));
  aenc->sample_rate = kSampleRate;
  aenc->sample_fmt = AV_SAMPLE_FMT_S16;
  aenc->bit_rate = 224000;
  av_channel_layout_default(&aenc->ch_layout, 2);
  aenc->time_base = AVRational{1, kSampleRate};
  Check(avcodec_open2(aenc.get(), acodec, nullptr), "Ton-Encoder");
  return aenc;
}

// A stream of the file for an encoder's packets; what names it in a failure.
AVStream* addStream(AVFormatContext* oc, const AVCodecContext* enc, const char* what) {
  AVStream* st = avformat_new_stream(oc, nullptr);
  Check(st ? 0 : AVERROR(ENOMEM), what);
  Check(avcodec_parameters_from_context(st->codecpar, enc), what);
  st->time_base = enc->time_base;
  return st;
}

// The muxer takes the VBV buffer size from the encoder's CPB properties.
void copyCodedSideData(const AVCodecContext* enc, AVStream* st) {
  for (int i = 0; i < enc->nb_coded_side_data; ++i) {
    const AVPacketSideData& sd = enc->coded_side_data[i];
    uint8_t* dst = av_stream_new_side_data(st, sd.type, sd.size);
    Check(dst ? 0 : AVERROR(ENOMEM), "Videospur");
    memcpy(dst, sd.data, sd.size);
  }
}

// Opens the file and writes its header: disc sectors of 2324 bytes, a VCD at the disc's fixed
// mux rate, the first packets 0.44 s ahead.
void startFile(Output& out, bool svcd) {
  AVFormatContext* oc = out.ctx;
  oc->packet_size = 2324;
  AVDictionary* opts = nullptr;
  if (!svcd) av_dict_set(&opts, "muxrate", "1411200", 0);
  av_dict_set(&opts, "preload", "440000", 0);
  Check(avio_open(&oc->pb, QFile::encodeName(out.path).constData(), AVIO_FLAG_WRITE), "Ausgabedatei");
  const int hr = avformat_write_header(oc, &opts);
  av_dict_free(&opts);
  Check(hr, "Ausgabedatei");
  out.headerWritten = true;
}

// The packets an encoder has ready go into the file, interleaved with the other stream's.
class PacketSink {
 public:
  explicit PacketSink(AVFormatContext* oc) : oc_(oc), pkt_(av_packet_alloc()) {}
  void drain(AVCodecContext* enc, AVStream* st) {
    for (;;) {
      const int r = avcodec_receive_packet(enc, pkt_.get());
      if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return;
      Check(r, "Encoder");
      av_packet_rescale_ts(pkt_.get(), enc->time_base, st->time_base);
      pkt_->stream_index = st->index;
      Check(av_interleaved_write_frame(oc_, pkt_.get()), "Schreiben");
    }
  }
  // The encoder's last packets.
  void flush(AVCodecContext* enc, AVStream* st) {
    avcodec_send_frame(enc, nullptr);
    drain(enc, st);
  }

 private:
  AVFormatContext* oc_;
  PacketPtr pkt_;
};

// The sound track in whole MP2 frames, encoded as far as asked but never past the video's end
// (total samples per channel).
class SoundTrack {
 public:
  SoundTrack(const QString& wav, AVCodecContext* enc, AVStream* st, PacketSink& sink, int64_t total)
      : sound_(wav), enc_(enc), st_(st), sink_(sink), total_(total),
        frameSize_(enc->frame_size > 0 ? enc->frame_size : 1152), frame_(av_frame_alloc()) {}
  int64_t total() const { return total_; }
  int64_t done() const { return done_; }
  void encodeUpTo(int64_t upTo) {
    upTo = std::min(upTo, total_);
    while (done_ < upTo) {
      av_frame_unref(frame_.get());
      frame_->nb_samples = frameSize_;
      frame_->format = AV_SAMPLE_FMT_S16;
      frame_->sample_rate = kSampleRate;
      av_channel_layout_default(&frame_->ch_layout, 2);
      Check(av_frame_get_buffer(frame_.get(), 0), "Ton");
      const int64_t want = std::min<int64_t>(frameSize_, total_ - done_);
      auto* samples = reinterpret_cast<int16_t*>(frame_->data[0]);
      sound_.Read(samples, int(want));
      std::fill(samples + 2 * want, samples + 2 * frameSize_, int16_t(0));
      frame_->pts = done_;
      Check(avcodec_send_frame(enc_, frame_.get()), "Ton-Encoder");
      sink_.drain(enc_, st_);
      done_ += frameSize_;
    }
  }

 private:
  SoundSource sound_;
  AVCodecContext* enc_;
  AVStream* st_;
  PacketSink& sink_;
  int64_t total_;
  int frameSize_;
  FramePtr frame_;
  int64_t done_ = 0;
};

// The video frame a plan picture makes, scaled to the disc's frame size; a picture shown for
// several frames in a row is read and scaled once.
class PictureFrames {
 public:
  explicit PictureFrames(const Disc& d) : width_(d.width), height_(d.height), frame_(av_frame_alloc()) {
    frame_->format = AV_PIX_FMT_YUV420P;
    frame_->width = width_;
    frame_->height = height_;
    Check(av_frame_get_buffer(frame_.get(), 0), "Bild");
  }
  AVFrame* frameOf(const QList<PlanEntry>& plan, int k) {
    if (k == loaded_) return frame_.get();
    QImage img(plan[k].File);
    if (img.isNull()) throw Failure(QString::fromUtf8("Bild kann nicht gelesen werden: %1").arg(plan[k].File));
    img = img.convertToFormat(QImage::Format_RGB32);
    sws_.reset(sws_getContext(img.width(), img.height(), AV_PIX_FMT_BGRA, width_, height_, AV_PIX_FMT_YUV420P,
                              SWS_BICUBIC, nullptr, nullptr, nullptr));
    Check(sws_ ? 0 : AVERROR(EINVAL), "Bildumwandlung");
    Check(av_frame_make_writable(frame_.get()), "Bild");
    const uint8_t* src[1] = {img.constBits()};
    const int stride[1] = {int(img.bytesPerLine())};
    sws_scale(sws_.get(), src, stride, 0, img.height(), frame_->data, frame_->linesize);
    loaded_ = k;
    return frame_.get();
  }

 private:
  int width_, height_;
  FramePtr frame_;
  std::unique_ptr<SwsContext, SwsFree> sws_;
  int loaded_ = -1;
};

// Encodes the work folder's frames and sound into out.path and closes it; progress may stop it.
void encodeInto(Output& out, const QString& folder, const QString& output,
                const std::function<bool(int64_t, int64_t)>& progress, EncodeResult& result) {
  const QList<PlanEntry> plan = ReadFramePlan(folder);
  if (plan.isEmpty()) throw Failure(QString::fromUtf8("Keine Bilder für das Video im Ordner %1").arg(folder));
  const Disc disc = discFor(output, plan.first().File);
  const std::vector<int> order = RetimePlan(plan, disc.rate.num, disc.rate.den);
  const int64_t total = int64_t(order.size());

  Check(avformat_alloc_output_context2(&out.ctx, nullptr, disc.svcd ? "svcd" : "vcd", nullptr), "Ausgabeformat");
  AVFormatContext* oc = out.ctx;
  CodecPtr venc = openVideoEncoder(disc, oc);
  AVStream* vst = addStream(oc, venc.get(), "Videospur");
  copyCodedSideData(venc.get(), vst);
  CodecPtr aenc = openAudioEncoder();
  AVStream* ast = addStream(oc, aenc.get(), "Tonspur");
  startFile(out, disc.svcd);

  PacketSink sink(oc);
  SoundTrack sound(QDir(folder).filePath("Input.wav"), aenc.get(), ast, sink,
                   av_rescale_q(total, venc->time_base, AVRational{1, kSampleRate}));
  PictureFrames pictures(disc);
  for (int64_t n = 0; n < total; ++n) {
    AVFrame* frame = pictures.frameOf(plan, order[size_t(n)]);
    frame->pts = n;
    Check(avcodec_send_frame(venc.get(), frame), "Video-Encoder");
    sink.drain(venc.get(), vst);
    // Keep the sound half a second ahead so the muxer never waits long for it.
    sound.encodeUpTo(av_rescale_q(n + 1, venc->time_base, AVRational{1, kSampleRate}) + kSampleRate / 2);
    result.VideoFrames = n + 1;
    if (progress && !progress(n + 1, total)) throw Abort{};
  }
  sound.encodeUpTo(sound.total());
  sink.flush(venc.get(), vst);
  sink.flush(aenc.get(), ast);
  Check(av_write_trailer(oc), "Abschluss");
  avio_closep(&oc->pb);
  result.AudioSamples = sound.done();
  if (QFileInfo(out.path).size() <= 0) throw Failure(QString::fromUtf8("MPEG-Encoder: die Ausgabe ist leer"));
}

}  // namespace

QList<PlanEntry> ReadFramePlan(const QString& folder) {
  static const QRegularExpression name("^Test_(\\d{1,9})\\.jpg$", QRegularExpression::CaseInsensitiveOption);
  QList<QPair<qint64, QString>> found;
  for (const QString& f : QDir(folder).entryList(QDir::Files)) {
    const auto m = name.match(f);
    if (m.hasMatch()) found.append({m.captured(1).toLongLong(), f});
  }
  std::sort(found.begin(), found.end());
  QHash<QString, int64_t> counts;
  QFile nno(QDir(folder).filePath("Test_quantity.nno"));
  if (nno.open(QIODevice::ReadOnly)) {
    for (const QByteArray& raw : nno.readAll().split('\n')) {
      const QString line = QString::fromUtf8(raw).trimmed();
      const int star = line.lastIndexOf('*');
      if (star <= 0) continue;
      bool ok = false;
      const qint64 n = line.mid(star + 1).trimmed().toLongLong(&ok);
      if (ok && n > 0) counts[line.left(star).trimmed().toLower()] = n;
    }
  }
  QList<PlanEntry> plan;
  for (const auto& [number, file] : found) {
    Q_UNUSED(number);
    plan.append({QDir(folder).filePath(file), counts.value(file.toLower(), 1)});
  }
  return plan;
}

std::vector<int> RetimePlan(const QList<PlanEntry>& plan, int rateNum, int rateDen) {
  std::vector<int> out;
  // Entry k ends at end_k/25 s; output frame n is shown at n*den/num s.
  int64_t end25 = 0;
  int64_t n = 0;
  for (int k = 0; k < plan.size(); ++k) {
    end25 += plan[k].Count25;
    // frames whose start lies before this entry's end: n*den/num < end25/25  <=>  n*den*25 < end25*num
    while (n * rateDen * 25 < end25 * rateNum) {
      out.push_back(k);
      ++n;
    }
  }
  return out;
}

void MpegEncoder::Open(const QString& folder, const QString& outputName) {
  folder_ = folder;
  output_ = outputName;
  result_ = {};
  result_.Status = EncodeStatus::Opened;
}

EncodeResult MpegEncoder::Encode() {
  if (result_.Status != EncodeStatus::Opened || output_.isEmpty()) {
    result_.Status = EncodeStatus::Failed;
    result_.ErrorText = QString::fromUtf8("MPEG-Encoder: nicht geöffnet");
    return result_;
  }
  result_.Status = EncodeStatus::Running;
  Output out;
  out.path = output_ + ".part";
  try {
    encodeInto(out, folder_, output_, Progress, result_);
    // An older video is replaced only by the whole new one.
    if (!kalvora::MoveFileReplace(out.path, output_))
      throw Failure(QString::fromUtf8("Die Datei %1 kann nicht geschrieben werden").arg(output_));
    out.keep = true;
    result_.Status = EncodeStatus::Done;
  } catch (const Abort&) {
    result_.Status = EncodeStatus::Aborted;
    result_.ErrorText = QString::fromUtf8("MPEG-Encoder abgebrochen");
  } catch (const std::exception& e) {
    result_.Status = EncodeStatus::Failed;
    result_.ErrorText = QString::fromUtf8(e.what());
  }
  return result_;
}

}  // namespace kalvora::mpeg

namespace {
kalvora::mpeg::MpegEncoder& TheEncoder() {
  static kalvora::mpeg::MpegEncoder encoder;
  return encoder;
}
}  // namespace

extern "C" void OpenMPDX(const char* const* folder, const char* const* outputName) {
  const QString f = folder && *folder ? QString::fromUtf8(*folder) : QString();
  const QString o = outputName && *outputName ? QString::fromUtf8(*outputName) : QString();
  TheEncoder().Open(f, o);
}

extern "C" void EncodeMPDX() { TheEncoder().Encode(); }

const kalvora::mpeg::EncodeResult& MPDXResult() { return TheEncoder().Result(); }

void SetMPDXProgress(std::function<bool(int64_t, int64_t)> progress) { TheEncoder().Progress = std::move(progress); }
