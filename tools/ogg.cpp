// The Ogg Vorbis writer: libvorbisenc in VBR mode, pages written straight to the file.
#include "ogg.h"

#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <cstdio>

namespace assetgen {

namespace {

bool writepage(std::FILE* f, const ogg_page& page) {
  return std::fwrite(page.header, 1, static_cast<std::size_t>(page.header_len), f) ==
             static_cast<std::size_t>(page.header_len) &&
         std::fwrite(page.body, 1, static_cast<std::size_t>(page.body_len), f) ==
             static_cast<std::size_t>(page.body_len);
}

// Pulls every finished packet out of the encoder and writes the pages it fills.
bool drain(std::FILE* f, vorbis_dsp_state& dsp, vorbis_block& block, ogg_stream_state& stream) {
  ogg_packet packet;
  ogg_page page;
  while (vorbis_analysis_blockout(&dsp, &block) == 1) {
    vorbis_analysis(&block, nullptr);
    vorbis_bitrate_addblock(&block);
    while (vorbis_bitrate_flushpacket(&dsp, &packet)) {
      ogg_stream_packetin(&stream, &packet);
      while (ogg_stream_pageout(&stream, &page))
        if (!writepage(f, page)) return false;
    }
  }
  return true;
}

}  // namespace

bool writeogg(const std::string& path, const std::vector<float>& left,
              const std::vector<float>& right, int rate, float quality, int serial) {
  vorbis_info vi;
  vorbis_info_init(&vi);
  if (vorbis_encode_init_vbr(&vi, 2, rate, quality) != 0) {
    vorbis_info_clear(&vi);
    return false;
  }
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) {
    vorbis_info_clear(&vi);
    return false;
  }
  vorbis_comment comment;
  vorbis_comment_init(&comment);
  vorbis_comment_add_tag(&comment, "TITLE", "Flopfist");
  vorbis_dsp_state dsp;
  vorbis_block block;
  vorbis_analysis_init(&dsp, &vi);
  vorbis_block_init(&dsp, &block);
  ogg_stream_state stream;
  ogg_stream_init(&stream, serial);

  ogg_packet header, headercomm, headercode;
  vorbis_analysis_headerout(&dsp, &comment, &header, &headercomm, &headercode);
  ogg_stream_packetin(&stream, &header);
  ogg_stream_packetin(&stream, &headercomm);
  ogg_stream_packetin(&stream, &headercode);
  bool ok = true;
  ogg_page page;
  while (ok && ogg_stream_flush(&stream, &page)) ok = writepage(f, page);

  const std::size_t total = std::min(left.size(), right.size());
  const std::size_t chunk = 4096;
  for (std::size_t pos = 0; ok && pos < total; pos += chunk) {
    const std::size_t n = std::min(chunk, total - pos);
    float** buffer = vorbis_analysis_buffer(&dsp, static_cast<int>(n));
    std::copy_n(left.begin() + static_cast<std::ptrdiff_t>(pos), n, buffer[0]);
    std::copy_n(right.begin() + static_cast<std::ptrdiff_t>(pos), n, buffer[1]);
    vorbis_analysis_wrote(&dsp, static_cast<int>(n));
    ok = drain(f, dsp, block, stream);
  }
  vorbis_analysis_wrote(&dsp, 0);  // end of stream
  if (ok) ok = drain(f, dsp, block, stream);
  while (ok && ogg_stream_flush(&stream, &page)) ok = writepage(f, page);

  ogg_stream_clear(&stream);
  vorbis_block_clear(&block);
  vorbis_dsp_clear(&dsp);
  vorbis_comment_clear(&comment);
  vorbis_info_clear(&vi);
  return std::fclose(f) == 0 && ok;
}

}  // namespace assetgen
