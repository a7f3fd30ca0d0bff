// Shared by the photo and makepack tests: pictures written by independent
// encoders (cjpeg, or libjpeg for CMYK), smooth test pictures and PSNR.
#pragma once

#include <math.h>
// jpeglib.h needs stdio.h first.
// clang-format off
#include <stdio.h>
#include <jpeglib.h>
// clang-format on

#include "gfx_helpers.h"

inline bool haveProgram(const char* name)
{
    return system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0;
}

// Peak signal-to-noise ratio of the RGB channels of two same-sized RGBA buffers.
inline double psnr(const uint8_t* a, const uint8_t* b, size_t pixels)
{
    double se = 0;
    for (size_t i = 0; i < pixels; i++)
        for (int c = 0; c < 3; c++) {
            double d = (double)a[i * 4 + c] - b[i * 4 + c];
            se += d * d;
        }
    double mse = se / (double)(pixels * 3);
    return mse == 0 ? 99.0 : 10 * log10(255.0 * 255.0 / mse);
}

inline std::vector<uint8_t> gradient(int w, int h)
{
    std::vector<uint8_t> px;
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++)
            px.insert(px.end(),
                      {(uint8_t)(x * 255 / (w > 1 ? w - 1 : 1)), (uint8_t)(y * 255 / (h > 1 ? h - 1 : 1)),
                       (uint8_t)(128 + 100 * sin(x * 0.05 + y * 0.03)), 255});
    return px;
}

// Encodes RGBA (alpha ignored) with libjpeg itself; for the colour spaces cjpeg
// cannot write. CMYK is given as inks (0 = none) and stored inverted when the
// file carries the Adobe marker, as the programs that write such files do.
inline std::vector<uint8_t> encodeCmyk(int w, int h, const std::vector<uint8_t>& inks, bool adobe)
{
    jpeg_compress_struct ci;
    jpeg_error_mgr jerr;
    ci.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&ci);
    unsigned char* buf = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&ci, &buf, &size);
    ci.image_width = (JDIMENSION)w;
    ci.image_height = (JDIMENSION)h;
    ci.input_components = 4;
    ci.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&ci);
    jpeg_set_quality(&ci, 98, TRUE);
    ci.write_Adobe_marker = adobe ? TRUE : FALSE;
    jpeg_start_compress(&ci, TRUE);
    std::vector<uint8_t> row((size_t)w * 4);
    while (ci.next_scanline < ci.image_height) {
        for (size_t i = 0; i < row.size(); i++) {
            uint8_t ink = inks[(size_t)ci.next_scanline * (size_t)w * 4 + i];
            row[i] = adobe ? (uint8_t)(255 - ink) : ink;
        }
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&ci, &r, 1);
    }
    jpeg_finish_compress(&ci);
    jpeg_destroy_compress(&ci);
    std::vector<uint8_t> out(buf, buf + size);
    free(buf);
    return out;
}

// Writes the RGBA picture as PPM (PGM when grey) into dir and runs cjpeg with opts.
inline std::vector<uint8_t> cjpeg(const std::string& dir, int w, int h, const std::vector<uint8_t>& rgba,
                                  bool grey, const std::string& opts)
{
    std::string head =
        std::string(grey ? "P5\n" : "P6\n") + std::to_string(w) + " " + std::to_string(h) + "\n255\n";
    std::string pnm = head;
    for (size_t i = 0; i < rgba.size(); i += 4)
        if (grey)
            pnm += (char)rgba[i + 1];
        else
            pnm += {(char)rgba[i], (char)rgba[i + 1], (char)rgba[i + 2]};
    std::ofstream(dir + "/in.pnm", std::ios::binary) << pnm;
    std::string cmd = "cjpeg " + opts + " -outfile '" + dir + "/out.jpg' '" + dir + "/in.pnm'";
    EXPECT_EQ(system(cmd.c_str()), 0) << cmd;
    std::ifstream in(dir + "/out.jpg", std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}
