#pragma once
// Inputs for the measurements: a web page of Chinese prose in GBK with the
// usual markup, the same page as saved today (UTF-8), and a photograph-like
// 24-bit bitmap.
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "text/encoding.h"

namespace dockline::bench {

inline std::string MakePage(std::size_t bytes) {
  static const char* const kParts[] = {
      "<p class=\"text\">",
      "\xB5\xDA\xD2\xBB\xD5\xC2 \xCC\xEC\xCF\xC2\xB4\xF3\xCA\xC6\xA3\xAC\xB7\xD6\xBE\xC3\xB1\xD8\xBA\xCF\xA3\xAC"
      "\xBA\xCF\xBE\xC3\xB1\xD8\xB7\xD6\xA1\xA3",
      "The quick brown fox jumps over the lazy dog. ",
      "&nbsp;&amp;&lt;&gt;&quot;&copy;",
      "</p>\r\n",
      "<br>\r\n",
      "<a href=\"chapter2.html\">\xCF\xC2\xD2\xBB\xD5\xC2</a>\r\n\r\n",
      "<!-- navigation > footer -->",
      "<script type=\"text/javascript\">if (a < b) { next(); }</script>\r\n",
      "<style>p > span { color: red; }</style>",
      "\t<div>\r\n\t\t<span>\xD6\xD0\xCE\xC4</span>\r\n\t</div>\r\n",
  };
  static const int kWeights[] = {10, 30, 20, 4, 10, 4, 3, 1, 1, 1, 5};
  std::mt19937 rng(42);
  std::discrete_distribution<int> pick(std::begin(kWeights), std::end(kWeights));
  std::string page = "<html><head><title>\xCA\xE9</title></head><body>\r\n";
  while (page.size() < bytes) page += kParts[pick(rng)];
  page.resize(bytes);
  return page;
}

// A novel's text in GBK: Chinese prose in paragraphs, with some ASCII.
inline std::string MakeBook(std::size_t bytes) {
  static const char* const kParts[] = {
      "\xB5\xDA\xD2\xBB\xD5\xC2 \xCC\xEC\xCF\xC2\xB4\xF3\xCA\xC6\xA3\xAC\xB7\xD6\xBE\xC3\xB1\xD8\xBA\xCF\xA3\xAC"
      "\xBA\xCF\xBE\xC3\xB1\xD8\xB7\xD6\xA1\xA3",
      "\xD6\xD0\xCE\xC4\xA1\xB0\xCF\xC2\xD2\xBB\xD5\xC2\xA1\xB1",
      "\r\n\xA1\xA1\xA1\xA1",
      "Chapter 12, 1998. ",
  };
  static const int kWeights[] = {40, 20, 5, 2};
  std::mt19937 rng(11);
  std::discrete_distribution<int> pick(std::begin(kWeights), std::end(kWeights));
  std::string book;
  while (book.size() < bytes) book += kParts[pick(rng)];
  book.resize(text::GbkPrefixLength(book, bytes));
  return book;
}

// The GBK page of `gbkBytes` written in UTF-8 (about a third longer).
inline std::string MakeUtf8Page(std::size_t gbkBytes) {
  return "<meta charset=\"utf-8\">" + text::GbkToUtf8(MakePage(gbkBytes));
}

inline std::vector<std::uint8_t> MakeBitmap(int width, int height) {
  const std::size_t stride = (3 * static_cast<std::size_t>(width) + 3) / 4 * 4;
  const std::size_t size = 54 + stride * height;
  std::vector<std::uint8_t> b(size, 0);
  auto put = [&](std::size_t at, std::uint32_t v, int n) {
    for (int k = 0; k < n; ++k) b[at + k] = static_cast<std::uint8_t>(v >> (8 * k));
  };
  b[0] = 'B';
  b[1] = 'M';
  put(2, static_cast<std::uint32_t>(size), 4);
  put(10, 54, 4);
  put(14, 40, 4);
  put(18, static_cast<std::uint32_t>(width), 4);
  put(22, static_cast<std::uint32_t>(height), 4);
  put(26, 1, 2);
  put(28, 24, 2);
  std::mt19937 rng(7);
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = b.data() + 54 + stride * y;
    for (int x = 0; x < width; ++x) {
      const int noise = static_cast<int>(rng() % 32);
      row[3 * x] = static_cast<std::uint8_t>((x * 255 / width + noise) & 0xFF);
      row[3 * x + 1] = static_cast<std::uint8_t>((y * 255 / height + noise) & 0xFF);
      row[3 * x + 2] = static_cast<std::uint8_t>(((x + y) * 127 / (width + height) + noise) & 0xFF);
    }
  }
  return b;
}

}  // namespace dockline::bench
