// SPDX-License-Identifier: GPL-3.0-or-later
// Sound files through libsndfile.
//   - formats: extensions, libsndfile codes, the rates each encoder takes
//   - writer: open under the temporary name, buffered 16-bit writes, close and rename
#include "audio/sound_file.h"

#include <sndfile.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>

namespace {

// libsndfile writes straight to the file descriptor: without a buffer of our own a render would make a
// system call per millisecond of audio.
constexpr size_t kBufferFrames = 16384;

struct FormatCodes {
  SoundFileFormat format;
  int sndfileFormat;
  std::vector<int> ratesHz;  // empty: any rate the program offers
};

const std::vector<FormatCodes>& Codes() {
  static const std::vector<FormatCodes> codes = {
      {SoundFileFormat::kWav, SF_FORMAT_WAV | SF_FORMAT_PCM_16, {}},
      {SoundFileFormat::kFlac, SF_FORMAT_FLAC | SF_FORMAT_PCM_16, {}},
      {SoundFileFormat::kOggVorbis, SF_FORMAT_OGG | SF_FORMAT_VORBIS, {}},
      {SoundFileFormat::kOpus, SF_FORMAT_OGG | SF_FORMAT_OPUS, {8000, 12000, 16000, 24000, 48000}},
      {SoundFileFormat::kMp3,
       SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III,
       {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000}},
  };
  return codes;
}

const FormatCodes& CodesOf(SoundFileFormat format) {
  for (const FormatCodes& codes : Codes()) {
    if (codes.format == format) return codes;
  }
  return Codes().front();
}

const char* NameOf(SoundFileFormat format) {
  for (const SoundFileFormatInfo& info : SoundFileFormats()) {
    if (info.format == format) return info.name;
  }
  return "WAV";
}

std::string RateList(const std::vector<int>& ratesHz) {
  std::string list;
  for (size_t i = 0; i < ratesHz.size(); ++i) {
    if (i > 0) list += i + 1 == ratesHz.size() ? " or " : ", ";
    list += std::to_string(ratesHz[i]);
  }
  return list;
}

std::string LibraryVersion() {
  char version[128] = {};
  sf_command(nullptr, SFC_GET_LIB_VERSION, version, sizeof version);
  return version;
}

bool FlushPcm(SoundFileWriter& writer) {
  if (writer.pcm.empty()) return true;
  auto* file = static_cast<SNDFILE*>(writer.file);
  const sf_count_t count = static_cast<sf_count_t>(writer.pcm.size());
  if (sf_write_short(file, writer.pcm.data(), count) != count) {
    writer.error = sf_strerror(file);
    return false;
  }
  writer.pcm.clear();
  return true;
}

}  // namespace

const std::vector<SoundFileFormatInfo>& SoundFileFormats() {
  static const std::vector<SoundFileFormatInfo> formats = {
      {SoundFileFormat::kWav, ".wav", "WAV"},
      {SoundFileFormat::kFlac, ".flac", "FLAC"},
      {SoundFileFormat::kOggVorbis, ".ogg", "Ogg Vorbis"},
      {SoundFileFormat::kOggVorbis, ".oga", "Ogg Vorbis"},
      {SoundFileFormat::kOpus, ".opus", "Opus"},
      {SoundFileFormat::kMp3, ".mp3", "MP3"},
  };
  return formats;
}

bool SoundFileFormatForPath(const std::string& path, SoundFileFormat& format) {
  const size_t slash = path.find_last_of('/');
  const size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
    format = SoundFileFormat::kWav;
    return true;
  }
  std::string extension = path.substr(dot);
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  for (const SoundFileFormatInfo& info : SoundFileFormats()) {
    if (extension == info.extension) {
      format = info.format;
      return true;
    }
  }
  return false;
}

std::string SoundFileExtensionList() {
  const std::vector<SoundFileFormatInfo>& formats = SoundFileFormats();
  std::string list;
  for (size_t i = 0; i < formats.size(); ++i) {
    if (i > 0) list += i + 1 == formats.size() ? " or " : ", ";
    list += formats[i].extension;
  }
  return list;
}

bool OpenSoundFile(SoundFileWriter& writer, const std::string& path, SoundFileFormat format,
                   int sampleRateHz) {
  SoundFileWriter opened;
  opened.path = path;
  opened.partPath = path + ".part";
  const FormatCodes& codes = CodesOf(format);
  if (!codes.ratesHz.empty() &&
      std::find(codes.ratesHz.begin(), codes.ratesHz.end(), sampleRateHz) == codes.ratesHz.end()) {
    writer.error = std::string(NameOf(format)) + " takes a sample rate of " + RateList(codes.ratesHz) +
                   " Hz, not " + std::to_string(sampleRateHz);
    return false;
  }
  SF_INFO info = {};
  info.samplerate = sampleRateHz;
  info.channels = 1;
  info.format = codes.sndfileFormat;
  if (!sf_format_check(&info)) {
    writer.error = "the installed sound file library (" + LibraryVersion() + ") cannot write " +
                   NameOf(format) + " files";
    return false;
  }
  SNDFILE* file = sf_open(opened.partPath.c_str(), SFM_WRITE, &info);
  if (!file) {
    writer.error = sf_strerror(nullptr);
    std::remove(opened.partPath.c_str());
    return false;
  }
  opened.file = file;
  opened.pcm.reserve(kBufferFrames);
  writer = std::move(opened);
  return true;
}

bool WriteSoundFrames(SoundFileWriter& writer, const float* frames, int count) {
  if (!writer.file) return false;
  for (int i = 0; i < count; ++i) {
    const float x = frames[i];
    const float clamped = x < -1.0f ? -1.0f : (x > 1.0f ? 1.0f : x);
    writer.pcm.push_back(static_cast<int16_t>(std::lround(clamped * 32767.0f)));
    if (writer.pcm.size() >= kBufferFrames && !FlushPcm(writer)) return false;
  }
  writer.framesWritten += static_cast<uint64_t>(count);
  return true;
}

bool CloseSoundFile(SoundFileWriter& writer) {
  if (!writer.file) return false;
  bool ok = FlushPcm(writer);
  auto* file = static_cast<SNDFILE*>(writer.file);
  const int closed = sf_close(file);
  writer.file = nullptr;
  if (closed != 0 && ok) {
    writer.error = sf_error_number(closed);
    ok = false;
  }
  if (ok && std::rename(writer.partPath.c_str(), writer.path.c_str()) != 0) {
    writer.error = "cannot rename " + writer.partPath + " to " + writer.path;
    ok = false;
  }
  if (!ok) std::remove(writer.partPath.c_str());
  return ok;
}

void DiscardSoundFile(SoundFileWriter& writer) {
  if (writer.file) sf_close(static_cast<SNDFILE*>(writer.file));
  writer.file = nullptr;
  if (!writer.partPath.empty()) std::remove(writer.partPath.c_str());
  writer.pcm.clear();
}
