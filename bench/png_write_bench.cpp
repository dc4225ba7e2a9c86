// Saving a full-screen 1280x720 screenshot with writePng (libpng, speed
// preferred) against stb_image_write as the baseline, and against libpng's
// default size-preferring settings, on a mostly flat GUI frame and on a busy,
// noisy game-like frame.

#include "gui/png_writer.h"

#include <benchmark/benchmark.h>
#include <png.h>
#include <stb/stb_image_write.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>

#include <unistd.h>

namespace {

namespace fs = std::filesystem;

constexpr int kWidth = 1280;
constexpr int kHeight = 720;

host::Image makeFrame(bool busy) {
  host::Image image{kWidth, kHeight, std::vector<unsigned char>(size_t(kWidth) * kHeight * 4)};
  uint32_t noise = 12345;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      unsigned char* p = &image.rgba[(size_t(y) * kWidth + x) * 4];
      int r, g, b;
      if (busy) {
        noise = noise * 1664525u + 1013904223u;
        r = x * 255 / kWidth + int(noise >> 28);
        g = y * 255 / kHeight + int((noise >> 24) & 15);
        b = (x + y) / 8;
      } else {
        const bool panel = x % 400 < 300 && y % 240 < 180;
        const bool glyph = panel && y % 16 < 11 && (x / 3 + y / 5) % 7 == 0;
        r = g = b = glyph ? 230 : panel ? 15 : 40;
      }
      p[0] = static_cast<unsigned char>(r & 255);
      p[1] = static_cast<unsigned char>(g & 255);
      p[2] = static_cast<unsigned char>(b & 255);
      p[3] = 255;
    }
  }
  return image;
}

std::string outputPath(const char* name) {
  return (fs::temp_directory_path() / (std::string(name) + "_" + std::to_string(getpid()) + ".png"))
      .string();
}

void finish(benchmark::State& state, const host::Image& frame, const std::string& path) {
  std::error_code ignored;
  state.counters["file_KiB"] = double(fs::file_size(path, ignored)) / 1024.0;
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(frame.rgba.size()));
  fs::remove(path, ignored);
}

void BM_LibPng(benchmark::State& state) {
  const host::Image frame = makeFrame(state.range(0) != 0);
  const std::string path = outputPath("bench_libpng");
  std::string error;
  for (auto _ : state) {
    if (!host::writePng(frame, path, error)) {
      state.SkipWithError(error.c_str());
      break;
    }
  }
  finish(state, frame, path);
}

void BM_StbImageWrite(benchmark::State& state) {
  const host::Image frame = makeFrame(state.range(0) != 0);
  const std::string path = outputPath("bench_stb");
  for (auto _ : state) {
    if (!stbi_write_png(path.c_str(), frame.width, frame.height, 4, frame.rgba.data(),
                        frame.width * 4)) {
      state.SkipWithError("stbi_write_png failed");
      break;
    }
  }
  finish(state, frame, path);
}

void BM_LibPngSmallest(benchmark::State& state) {
  const host::Image frame = makeFrame(state.range(0) != 0);
  const std::string path = outputPath("bench_libpng_smallest");
  for (auto _ : state) {
    png_image png;
    std::memset(&png, 0, sizeof(png));
    png.version = PNG_IMAGE_VERSION;
    png.width = kWidth;
    png.height = kHeight;
    png.format = PNG_FORMAT_RGBA;
    if (!png_image_write_to_file(&png, path.c_str(), 0, frame.rgba.data(), 0, nullptr)) {
      state.SkipWithError(png.message);
      break;
    }
  }
  finish(state, frame, path);
}

}  // namespace

BENCHMARK(BM_StbImageWrite)->ArgName("busy")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LibPng)->ArgName("busy")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LibPngSmallest)->ArgName("busy")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
