#include "sound_fixtures.h"

#include <vorbis/vorbisenc.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace sound_fixtures {

namespace {

void Put16(std::string& s, uint32_t v) {
    s.push_back(static_cast<char>(v & 0xff));
    s.push_back(static_cast<char>((v >> 8) & 0xff));
}
void Put32(std::string& s, uint32_t v) {
    Put16(s, v & 0xffff);
    Put16(s, v >> 16);
}

}  // namespace

std::string MakeWave(const WaveSpec& w, const std::string& pcm) {
    std::string fmt = "fmt ";
    Put32(fmt, w.fmtSize);
    uint16_t align = static_cast<uint16_t>(w.blockAlign >= 0 ? w.blockAlign : w.channels * w.bits / 8);
    std::string body;
    Put16(body, w.formatTag);
    Put16(body, w.channels);
    Put32(body, w.rate);
    Put32(body, w.rate * align);
    Put16(body, align);
    Put16(body, w.bits);
    body.resize(w.fmtSize < 16 ? w.fmtSize : 16);
    while (body.size() < w.fmtSize) body.push_back(0);
    fmt += body;
    std::string data = "data";
    Put32(data, static_cast<uint32_t>(w.dataSize >= 0 ? w.dataSize : static_cast<int64_t>(pcm.size())));
    data += pcm;
    std::string list;
    if (w.listChunk) {
        list = "LIST";
        Put32(list, 5);
        list += "INFOx";
        list.push_back(0);  // pad byte of the odd size
    }
    std::string chunks = w.dataFirst ? data + fmt : fmt + list + data;
    std::string out = "RIFF";
    Put32(out, static_cast<uint32_t>(4 + chunks.size()));
    out += "WAVE";
    out += chunks;
    return out;
}

std::string RampPcm(int samples) {
    std::string pcm;
    for (int i = 0; i < samples; ++i) Put16(pcm, static_cast<uint32_t>(i & 0x7fff));
    return pcm;
}

std::string MakeOgg(int frames, int rate) {
    vorbis_info vi;
    vorbis_info_init(&vi);
    if (vorbis_encode_init_vbr(&vi, 2, rate, 0.4f) != 0) return "";
    vorbis_comment vc;
    vorbis_comment_init(&vc);
    vorbis_dsp_state vd;
    vorbis_block vb;
    vorbis_analysis_init(&vd, &vi);
    vorbis_block_init(&vd, &vb);
    ogg_stream_state os;
    ogg_stream_init(&os, 1234);
    std::string out;
    auto writePage = [&out](const ogg_page& page) {
        out.append(reinterpret_cast<const char*>(page.header), static_cast<size_t>(page.header_len));
        out.append(reinterpret_cast<const char*>(page.body), static_cast<size_t>(page.body_len));
    };
    ogg_packet header, comment, code;
    vorbis_analysis_headerout(&vd, &vc, &header, &comment, &code);
    ogg_stream_packetin(&os, &header);
    ogg_stream_packetin(&os, &comment);
    ogg_stream_packetin(&os, &code);
    ogg_page page;
    while (ogg_stream_flush(&os, &page)) writePage(page);
    int done = 0;
    bool eos = false;
    while (!eos) {
        int n = frames - done < 1024 ? frames - done : 1024;
        if (n > 0) {
            float** buffer = vorbis_analysis_buffer(&vd, n);
            for (int i = 0; i < n; ++i) {
                float v = 0.5f * std::sin(2.0f * 3.14159265f * 440.0f * static_cast<float>(done + i) / rate);
                buffer[0][i] = v;
                buffer[1][i] = -v;
            }
            vorbis_analysis_wrote(&vd, n);
            done += n;
        } else {
            vorbis_analysis_wrote(&vd, 0);
        }
        while (vorbis_analysis_blockout(&vd, &vb) == 1) {
            vorbis_analysis(&vb, nullptr);
            vorbis_bitrate_addblock(&vb);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&vd, &packet)) {
                ogg_stream_packetin(&os, &packet);
                while (ogg_stream_pageout(&os, &page)) {
                    writePage(page);
                    if (ogg_page_eos(&page)) eos = true;
                }
            }
        }
        if (n <= 0 && !eos) {
            while (ogg_stream_flush(&os, &page)) {
                writePage(page);
                if (ogg_page_eos(&page)) eos = true;
            }
            if (!eos) break;
        }
    }
    ogg_stream_clear(&os);
    vorbis_block_clear(&vb);
    vorbis_dsp_clear(&vd);
    vorbis_comment_clear(&vc);
    vorbis_info_clear(&vi);
    return out;
}

}  // namespace sound_fixtures
