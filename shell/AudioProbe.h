#pragma once
// A small reader of audio file headers: the sample rate and channels of a WAV file (RIFF
// "fmt " chunk) or of an MP3 file (first MPEG audio frame header behind an ID3v2 tag).
// It reads no samples; the full audio check belongs to the production run.
#include <QByteArray>
#include <QString>

struct AudioInfo {
  bool ok = false;
  QString error;        // why the file could not be read (English, fixed texts)
  QString typeText;     // "MP3" or "WAVE"
  QString subTypeText;  // "MPEG 1 Layer III", "PCM", ...
  QString sampleRate;   // "44100"
  // "STEREO" for every two-channel file (joint stereo and dual channel included, the
  // production can use each), "MONO" for one channel, else the number + " CHANNELS".
  QString channelMode;
  QString channelDetail;  // MP3: "STEREO", "JOINT STEREO", "DUAL CHANNEL" or "MONO"
  int bitrateKbps = 0;    // MP3 only
  int bitsPerSample = 0;  // WAV only
};

// MP3 when the upper-cased file name contains ".MP3", else WAV.
AudioInfo ProbeAudioFile(const QString& path);
AudioInfo ProbeWaveData(const QByteArray& data, qint64 fileSize);
AudioInfo ProbeMp3Data(const QByteArray& data);
