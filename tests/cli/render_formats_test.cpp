// SPDX-License-Identifier: GPL-3.0-or-later
// nemora-cli render into every sound format by the output's extension: each file reads back through
// libsndfile with the session's length at its rate; FLAC holds exactly the WAV's samples; a format that
// cannot take the rate, or an extension that names no format, fails without touching an older file.
#include <gtest/gtest.h>
#include <sndfile.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "temporary_home.h"

namespace {

struct FormatCase {
  const char* name;
  const char* extension;
  int sampleRateHz;
  int majorFormat;  // of the file read back; 0 for a render that must fail
  int exitStatus;
  const char* message;  // expected on stderr of a failing render
};

const FormatCase kCases[] = {
    {"wav", ".wav", 48000, SF_FORMAT_WAV, 0, ""},
    {"name without extension", "", 22050, SF_FORMAT_WAV, 0, ""},
    {"flac", ".flac", 44100, SF_FORMAT_FLAC, 0, ""},
    {"ogg vorbis", ".ogg", 22050, SF_FORMAT_OGG, 0, ""},
    {"ogg vorbis as oga", ".oga", 48000, SF_FORMAT_OGG, 0, ""},
    {"opus", ".opus", 16000, SF_FORMAT_OGG, 0, ""},
    {"mp3", ".mp3", 48000, SF_FORMAT_MPEG, 0, ""},
    {"mp3 upper case, low rate", ".MP3", 8000, SF_FORMAT_MPEG, 0, ""},
    {"opus at a rate it lacks", ".opus", 44100, 0, 1, "Opus takes a sample rate of"},
    {"mp3 above 48 kHz", ".mp3", 96000, 0, 1, "MP3 takes a sample rate of"},
    {"unknown extension", ".aac", 48000, 0, 2, "cannot tell the sound format"},
};

struct ReadBack {
  bool opened = false;
  SF_INFO info = {};
  std::vector<short> samples;
};

ReadBack ReadSoundFile(const std::string& path) {
  ReadBack read;
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &read.info);
  if (!file) return read;
  read.opened = true;
  read.samples.resize(static_cast<size_t>(read.info.frames * read.info.channels));
  read.samples.resize(static_cast<size_t>(sf_read_short(file, read.samples.data(), read.info.frames)));
  sf_close(file);
  return read;
}

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

int RenderTo(const std::string& home, const std::string& output, int sampleRateHz, std::string& err) {
  const std::string command = std::string(NEMORA_CLI_PATH) +
                              " render -q --latin --wpm 40 --band none --rate " +
                              std::to_string(sampleRateHz) + " -o '" + output + "' 2>" + home + "/stderr";
  const int raw = std::system(command.c_str());
  err = ReadText(home + "/stderr");
  return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

TEST(RenderFormatsTest, EveryFormatReadsBackWithTheSessionsLengthAndRate) {
  TemporaryHome home;
  std::string err;
  // The reference: the WAV at 48 kHz, whose length the schedule tests check to the millisecond.
  ASSERT_EQ(RenderTo(home.path, home.path + "/reference.wav", 48000, err), 0) << err;
  const ReadBack reference = ReadSoundFile(home.path + "/reference.wav");
  ASSERT_TRUE(reference.opened);
  ASSERT_EQ(reference.info.frames % 48, 0);
  const sf_count_t sessionMs = reference.info.frames / 48;
  ASSERT_GT(sessionMs, 30000);

  for (const FormatCase& c : kCases) {
    SCOPED_TRACE(c.name);
    const std::string output = home.path + "/practice" + c.extension;
    std::ofstream(output) << "an older file";
    const int status = RenderTo(home.path, output, c.sampleRateHz, err);
    ASSERT_EQ(status, c.exitStatus) << err;
    EXPECT_FALSE(std::ifstream(output + ".part").good()) << "the temporary file was left behind";
    if (c.exitStatus != 0) {
      EXPECT_NE(err.find(c.message), std::string::npos) << err;
      EXPECT_EQ(ReadText(output), "an older file");
      continue;
    }
    const ReadBack read = ReadSoundFile(output);
    ASSERT_TRUE(read.opened) << sf_strerror(nullptr);
    EXPECT_EQ(read.info.format & SF_FORMAT_TYPEMASK, c.majorFormat);
    EXPECT_EQ(read.info.channels, 1);
    EXPECT_EQ(read.info.samplerate, c.sampleRateHz);
    EXPECT_EQ(read.info.frames, sessionMs * c.sampleRateHz / 1000);
    // Lossy or not, the telegrams are there: tones well above the codec's noise.
    short peak = 0;
    for (short s : read.samples) peak = std::max<short>(peak, static_cast<short>(std::abs(s)));
    EXPECT_GT(peak, 8000);
    if (c.majorFormat == SF_FORMAT_FLAC && c.sampleRateHz == 44100) {
      ASSERT_EQ(RenderTo(home.path, home.path + "/same-rate.wav", 44100, err), 0) << err;
      EXPECT_EQ(read.samples, ReadSoundFile(home.path + "/same-rate.wav").samples) << "FLAC is not lossless";
    }
  }
}

}  // namespace
