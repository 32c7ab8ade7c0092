// Sound files: the WAVE header checks, the name completion, and Ogg Vorbis
// decoding and seeking through the file layer.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "sound/decoder.h"
#include "sound_fixtures.h"
#include "support/support.h"

using sound_fixtures::MakeOgg;
using sound_fixtures::MakeWave;
using sound_fixtures::RampPcm;
using sound_fixtures::WaveSpec;
using testing_support::TempDir;

namespace {


struct HeaderCase {
    const char* what;
    std::string file;
    bool accepted;
    uint32_t dataLength;  // when accepted
};

std::vector<HeaderCase> HeaderCases() {
    std::string pcm = RampPcm(100);  // 200 bytes
    std::vector<HeaderCase> cases;
    auto add = [&](const char* what, WaveSpec w, bool ok, uint32_t length, const std::string& data) {
        cases.push_back({what, MakeWave(w, data), ok, length});
    };
    WaveSpec good;
    add("plain 16-bit mono", good, true, 200, pcm);
    WaveSpec stereo8;
    stereo8.channels = 2;
    stereo8.bits = 8;
    add("8-bit stereo", stereo8, true, 200, pcm);
    WaveSpec list;
    list.listChunk = true;
    add("odd-sized chunk before the data", list, true, 200, pcm);
    WaveSpec longFmt;
    longFmt.fmtSize = 18;
    add("format chunk with extra bytes", longFmt, true, 200, pcm);
    WaveSpec claimsMore;
    claimsMore.dataSize = 100000;
    add("data chunk longer than the file", claimsMore, true, 200, pcm);
    WaveSpec halfFrame;
    add("data cut inside a frame", halfFrame, true, 198, pcm.substr(0, 199));
    WaveSpec shortFmt;
    shortFmt.fmtSize = 14;
    add("format chunk too short", shortFmt, false, 0, pcm);
    WaveSpec extensible;
    extensible.formatTag = 0xFFFE;
    add("extensible format", extensible, false, 0, pcm);
    WaveSpec adpcm;
    adpcm.formatTag = 2;
    add("compressed format", adpcm, false, 0, pcm);
    WaveSpec noChannels;
    noChannels.channels = 0;
    add("no channels", noChannels, false, 0, pcm);
    WaveSpec six;
    six.channels = 6;
    add("six channels", six, false, 0, pcm);
    WaveSpec bits24;
    bits24.bits = 24;
    add("24-bit samples", bits24, false, 0, pcm);
    WaveSpec badAlign;
    badAlign.blockAlign = 3;
    add("block size against the format", badAlign, false, 0, pcm);
    WaveSpec zeroRate;
    zeroRate.rate = 0;
    add("sample rate 0", zeroRate, false, 0, pcm);
    WaveSpec dataFirst;
    dataFirst.dataFirst = true;
    add("data before format", dataFirst, false, 0, pcm);
    add("empty data", good, false, 0, "");
    std::string truncated = MakeWave(good, pcm).substr(0, 30);
    cases.push_back({"cut inside the format chunk", truncated, false, 0});
    cases.push_back({"cut inside the RIFF header", MakeWave(good, pcm).substr(0, 10), false, 0});
    std::string rifx = MakeWave(good, pcm);
    rifx[3] = 'X';
    cases.push_back({"not RIFF", rifx, false, 0});
    std::string noWave = MakeWave(good, pcm);
    std::memcpy(&noWave[8], "AVI ", 4);
    cases.push_back({"RIFF but not WAVE", noWave, false, 0});
    // A chunk claiming 4 GB: the walk ends at the file's end.
    std::string huge = "RIFF\x20\0\0\0WAVEJUNK\xff\xff\xff\xff" + std::string(16, 'j');
    cases.push_back({"chunk size past the end", std::string(huge.data(), huge.size()), false, 0});
    return cases;
}

TEST(WaveHeader, BrokenHeadersAreRefusedAndGoodOnesKeepInsideTheFile) {
    for (const HeaderCase& c : HeaderCases()) {
        sound::PcmFormat f;
        uint32_t offset = 0, length = 0;
        // A private copy sized exactly, so a read past the end is caught.
        std::vector<uint8_t> exact(c.file.begin(), c.file.end());
        const char* why = sound::ParseWaveHeader(exact.data(), exact.size(), &f, &offset, &length);
        EXPECT_EQ(why == nullptr, c.accepted) << c.what << ": " << (why ? why : "accepted");
        if (!why && c.accepted) {
            EXPECT_EQ(length, c.dataLength) << c.what;
            EXPECT_LE(static_cast<uint64_t>(offset) + length, exact.size()) << c.what;
            EXPECT_EQ(f.averageBytesPerSecond, f.samplesPerSecond * f.blockAlign) << c.what;
        }
    }
}

TEST(SoundFile, NamesAreCompletedWithWavThenOgg) {
    TempDir dir;
    std::string wave = MakeWave(WaveSpec{}, RampPcm(800));
    std::string ogg = MakeOgg(4410, 44100);
    ASSERT_FALSE(ogg.empty());
    dir.Write("a.wav", wave);
    dir.Write("b.ogg", ogg);
    dir.Write("c", wave);      // found as named, before c.wav
    dir.Write("c.wav", ogg);   // would be taken as Ogg if chosen
    struct Case {
        const char* name;
        const char* opened;  // null: nothing opens
        bool vorbis;
    } cases[] = {
        {"a", "a.wav", false},       {"b", "b.ogg", true},  {"c", "c", false},
        {"a.wav", "a.wav", false},   {"missing", nullptr, false},
    };
    for (const Case& c : cases) {
        sound::Decoder d;
        char opened[sound::kSoundNameSize] = {};
        std::string name = dir.path + "/" + c.name;
        int ok = sound::OpenSoundFile(name.c_str(), &d, opened);
        EXPECT_EQ(ok != 0, c.opened != nullptr) << c.name;
        if (!ok) continue;
        EXPECT_EQ(std::string(opened), dir.path + "/" + c.opened) << c.name;
        EXPECT_EQ(d.vorbis != nullptr, c.vorbis) << c.name;
        d.close(&d);
    }
    // A name that cannot fit the file-name buffer with its extension.
    sound::Decoder d;
    char opened[sound::kSoundNameSize];
    std::string tooLong = dir.path + "/" + std::string(300, 'x');
    EXPECT_EQ(sound::OpenSoundFile(tooLong.c_str(), &d, opened), 0);
}

TEST(SoundFile, BrokenFilesAreRefusedWithAMessage) {
    TempDir dir;
    WaveSpec adpcm;
    adpcm.formatTag = 2;
    dir.Write("adpcm.wav", MakeWave(adpcm, RampPcm(100)));
    std::string ogg = MakeOgg(4410, 44100);
    dir.Write("cut.ogg", ogg.substr(0, 40));
    dir.Write("noise.wav", std::string(64, '\x5c'));
    for (const char* name : {"adpcm.wav", "cut.ogg", "noise.wav"}) {
        testing::internal::CaptureStderr();
        sound::Decoder d;
        char opened[sound::kSoundNameSize];
        std::string path = dir.path + "/" + name;
        EXPECT_EQ(sound::OpenSoundFile(path.c_str(), &d, opened), 0) << name;
        std::string err = testing::internal::GetCapturedStderr();
        EXPECT_NE(err.find("refused"), std::string::npos) << name << ": " << err;
    }
}

TEST(SoundFile, WaveReadsStopAtTheDataEndAndSeekByBytes) {
    TempDir dir;
    WaveSpec w;
    w.listChunk = true;
    std::string pcm = RampPcm(1000);
    // A trailing chunk after the data must never be played.
    std::string file = MakeWave(w, pcm) + "JUNK" + std::string("\x04\0\0\0zzzz", 8);
    dir.Write("t.wav", file);
    sound::Decoder d;
    char opened[sound::kSoundNameSize];
    ASSERT_EQ(sound::OpenSoundFile((dir.path + "/t").c_str(), &d, opened), 1);
    std::vector<uint8_t> all(4000);
    EXPECT_EQ(d.read(&d, all.data(), all.size()), 2000u);
    EXPECT_EQ(std::memcmp(all.data(), pcm.data(), 2000), 0);
    EXPECT_EQ(d.read(&d, all.data(), all.size()), 0u);
    ASSERT_EQ(d.seek(&d, 1000), 1);
    std::vector<uint8_t> tail(10);
    EXPECT_EQ(d.read(&d, tail.data(), 10), 10u);
    EXPECT_EQ(std::memcmp(tail.data(), pcm.data() + 1000, 10), 0);
    d.close(&d);
}

TEST(SoundFile, OggDecodesItsWholeLengthAndSeeksToASample) {
    TempDir dir;
    const int frames = 11025;
    dir.Write("s.ogg", MakeOgg(frames, 22050));
    sound::Decoder d;
    char opened[sound::kSoundNameSize];
    ASSERT_EQ(sound::OpenSoundFile((dir.path + "/s").c_str(), &d, opened), 1);
    EXPECT_EQ(d.format.channels, 2);
    EXPECT_EQ(d.format.samplesPerSecond, 22050u);
    EXPECT_EQ(d.format.bitsPerSample, 16);
    EXPECT_EQ(d.dataLength, static_cast<uint32_t>(frames * 4));
    std::vector<uint8_t> all(d.dataLength + 4096);
    size_t got = 0;
    for (size_t n; (n = d.read(&d, all.data() + got, 3000)) > 0;) got += n;
    EXPECT_EQ(got, d.dataLength);
    // The sine is audible: not all silence, channels opposite.
    int16_t peak = 0;
    for (size_t i = 0; i + 3 < got; i += 4) {
        int16_t l = static_cast<int16_t>(all[i] | (all[i + 1] << 8));
        int16_t r = static_cast<int16_t>(all[i + 2] | (all[i + 3] << 8));
        if (l > peak) peak = l;
        EXPECT_NEAR(l, -r, 2000) << i;
    }
    EXPECT_GT(peak, 8000);
    // Reading after a seek gives the same samples as reading through.
    const uint32_t at = 4000 * 4;
    ASSERT_EQ(d.seek(&d, at), 1);
    std::vector<uint8_t> part(4000);
    ASSERT_EQ(d.read(&d, part.data(), part.size()), part.size());
    for (size_t i = 0; i < part.size(); i += 2) {
        int a = static_cast<int16_t>(part[i] | (part[i + 1] << 8));
        int b = static_cast<int16_t>(all[at + i] | (all[at + i + 1] << 8));
        ASSERT_NEAR(a, b, 2) << i;
    }
    d.close(&d);
}

}  // namespace
