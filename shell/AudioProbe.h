#pragma once
// The sample rate and channels of a WAV file (RIFF "fmt " chunk) or of an MP3 file (first
// MPEG audio frame behind an ID3v2 tag), read by the program's one set of header readers
// (platform/audio). It reads no samples.
#include <QByteArray>
#include <QString>

struct AudioInfo {
  bool ok = false;
  QString error;        // why the file could not be read (English, fixed texts)
  QString typeText;     // "MP3" or "WAVE"
  QString subTypeText;  // "MPEG 1 Layer III", "PCM", ...
  QString sampleRate;   // "44100"
  // "STEREO" for two channels (MP3: stereo and joint stereo), "MONO" for one channel,
  // "DUAL CHANNEL" for an MP3 of two separate programs, else the number + " CHANNELS".
  QString channelMode;
  QString channelDetail;  // MP3: "STEREO", "JOINT STEREO", "DUAL CHANNEL" or "MONO"
  int bitrateKbps = 0;    // MP3 only
  int bitsPerSample = 0;  // WAV only
};

// MP3 when the file name's last extension is "mp3" in any case, else WAV.
AudioInfo ProbeAudioFile(const QString& path);
bool IsMp3Name(const QString& path);
AudioInfo ProbeWaveData(const QByteArray& data, qint64 fileSize);
AudioInfo ProbeMp3Data(const QByteArray& data);
