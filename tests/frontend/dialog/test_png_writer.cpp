#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "frontend/dialog/png_writer.h"

namespace {

std::uint32_t U32(const std::vector<std::uint8_t>& b, std::size_t at) {
  return (std::uint32_t{b[at]} << 24) | (std::uint32_t{b[at + 1]} << 16) |
         (std::uint32_t{b[at + 2]} << 8) | std::uint32_t{b[at + 3]};
}

// Reads the file back by the PNG rules: signature, chunks with their CRCs,
// the image header, and the inflated rows.
TEST(PngWriter, WritesAValidRgbImage) {
  const int w = 5, h = 3;
  std::vector<std::uint8_t> rgb(w * h * 3);
  for (std::size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<std::uint8_t>(i * 7);
  const auto path = std::filesystem::temp_directory_path() / "tervon_png_writer_test.png";
  std::string error;
  ASSERT_TRUE(dialog::WritePng(path, w, h, rgb.data(), &error)) << error;

  std::ifstream in(path, std::ios::binary);
  const std::vector<std::uint8_t> b((std::istreambuf_iterator<char>(in)), {});
  ASSERT_GE(b.size(), 8u);
  EXPECT_EQ(std::vector<std::uint8_t>(b.begin(), b.begin() + 8),
            (std::vector<std::uint8_t>{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}));

  std::vector<std::string> types;
  std::vector<std::uint8_t> idat;
  std::size_t at = 8;
  while (at + 12 <= b.size()) {
    const std::uint32_t len = U32(b, at);
    ASSERT_LE(at + 12 + len, b.size());
    const std::string type(b.begin() + static_cast<long>(at) + 4, b.begin() + static_cast<long>(at) + 8);
    types.push_back(type);
    const uLong crc = crc32(crc32(0, Z_NULL, 0), b.data() + at + 4, 4 + len);
    EXPECT_EQ(U32(b, at + 8 + len), crc) << type;
    if (type == "IHDR") {
      EXPECT_EQ(U32(b, at + 8), static_cast<std::uint32_t>(w));
      EXPECT_EQ(U32(b, at + 12), static_cast<std::uint32_t>(h));
      EXPECT_EQ(b[at + 16], 8) << "bit depth";
      EXPECT_EQ(b[at + 17], 2) << "colour type RGB";
    }
    if (type == "IDAT") idat.insert(idat.end(), b.begin() + static_cast<long>(at) + 8, b.begin() + static_cast<long>(at + 8 + len));
    at += 12 + len;
  }
  EXPECT_EQ(at, b.size());
  EXPECT_EQ(types, (std::vector<std::string>{"IHDR", "IDAT", "IEND"}));

  std::vector<std::uint8_t> raw((w * 3 + 1) * h);
  uLongf raw_len = static_cast<uLongf>(raw.size());
  ASSERT_EQ(uncompress(raw.data(), &raw_len, idat.data(), static_cast<uLong>(idat.size())), Z_OK);
  ASSERT_EQ(raw_len, raw.size());
  for (int y = 0; y < h; ++y) {
    EXPECT_EQ(raw[y * (w * 3 + 1)], 0) << "filter byte of row " << y;
    for (int x = 0; x < w * 3; ++x) EXPECT_EQ(raw[y * (w * 3 + 1) + 1 + x], rgb[y * w * 3 + x]);
  }
  std::filesystem::remove(path);
}

TEST(PngWriter, ReportsWhatFails) {
  std::string error;
  const std::uint8_t px[3] = {1, 2, 3};
  EXPECT_FALSE(dialog::WritePng("/nonexistent/folder/x.png", 1, 1, px, &error));
  EXPECT_EQ(error, "cannot write /nonexistent/folder/x.png: cannot create the file");
  EXPECT_FALSE(dialog::WritePng("/tmp/x.png", 0, 1, px, &error));
}

}  // namespace
