// SPDX-License-Identifier: GPL-3.0-or-later
// Sound files written as they are made (nemora-cli render): mono, 16-bit where the format has samples,
// the encoder chosen by the file name's extension, all through libsndfile. The file is written under a
// temporary name beside the target and renamed over it only when complete, so a failed or cut-short
// render never leaves a broken file or destroys an older one of the same name.
//
// Thread: any one thread per writer.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

enum class SoundFileFormat { kWav, kFlac, kOggVorbis, kOpus, kMp3 };

struct SoundFileFormatInfo {
  SoundFileFormat format;
  const char* extension;  // with the dot, lower case
  const char* name;       // for messages
};

// Every format, in the order messages list them.
const std::vector<SoundFileFormatInfo>& SoundFileFormats();
// The format of a file name by its extension (any case); a name without an extension is a WAV file.
// False for an extension that names no format here.
bool SoundFileFormatForPath(const std::string& path, SoundFileFormat& format);
// The extensions as a message lists them: ".wav, .flac, .ogg, .opus or .mp3".
std::string SoundFileExtensionList();

struct SoundFileWriter {
  void* file = nullptr;  // SNDFILE*
  std::string path;      // the target
  std::string partPath;  // written until CloseSoundFile renames it to path
  std::vector<int16_t> pcm;
  uint64_t framesWritten = 0;
  std::string error;  // why the last call failed
};

// Opens partPath for the format at the rate. False with writer.error set (the library lacks the format,
// the format does not take the rate, or the file cannot be created); nothing is left on disk.
bool OpenSoundFile(SoundFileWriter& writer, const std::string& path, SoundFileFormat format,
                   int sampleRateHz);
// Appends mono frames in [-1, 1] (clamped), rounded to 16 bits as WriteWavFile rounds them.
bool WriteSoundFrames(SoundFileWriter& writer, const float* frames, int count);
// Finishes the file and moves it to its name. False (and the partial file removed) on any failure.
bool CloseSoundFile(SoundFileWriter& writer);
// Abandons the file: closed and removed, the target untouched.
void DiscardSoundFile(SoundFileWriter& writer);
