#include "Assets.h"

#include <QFile>

#include <array>
#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

// The resources live in the ui library, a static library: without a
// reference from code the linker would leave their registration out.
static void RegisterAssetResources() {
    static const bool done = [] {
        Q_INIT_RESOURCE(assets);
        return true;
    }();
    (void)done;
}

namespace {

QByteArray ResourceBytes(const QString& path) {
    RegisterAssetResources();
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

struct TListEntry {
    const char* File;
    bool BlackTransparent;
};

const std::array<TListEntry, 1> List1{{{"back", false}}};
const std::array<TListEntry, 3> List2{{{"but_start", true}, {"bbk", false}, {"but_high", false}}};

const TListEntry* Entry(TImageList list, int index) {
    static const std::array<TListEntry, 12> bacs{{{"bacs_00", false}, {"bacs_01", false}, {"bacs_02", false},
                                                   {"bacs_03", false}, {"bacs_04", false}, {"bacs_05", false},
                                                   {"bacs_06", false}, {"bacs_07", false}, {"bacs_08", false},
                                                   {"bacs_09", false}, {"bacs_10", false}, {"bacs_11", false}}};
    if (index < 0 || index >= ListImageCount(list)) return nullptr;
    switch (list) {
    case TImageList::DIBImageList1: return &List1[static_cast<size_t>(index)];
    case TImageList::DIBImageList2: return &List2[static_cast<size_t>(index)];
    case TImageList::bacs_image: return &bacs[static_cast<size_t>(index)];
    }
    return nullptr;
}

QImage LoadListImage(const TListEntry& e) {
    QImage img = QImage::fromData(ResourceBytes(QStringLiteral(":/images/%1.png").arg(QLatin1String(e.File))), "PNG")
                     .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (img.isNull() || !e.BlackTransparent) return img;
    for (int y = 0; y < img.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x)
            if (line[x] == qRgba(0, 0, 0, 255)) line[x] = 0;
    }
    return img;
}

// libjpeg ends the program on an error unless told otherwise: jump back out
// of the decoder instead, and keep its warnings (a truncated file is only a
// warning to libjpeg) quiet but counted.
struct TJpegError {
    jpeg_error_mgr Mgr;
    std::jmp_buf Jump;
};

[[noreturn]] void JpegErrorExit(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<TJpegError*>(cinfo->err)->Jump, 1);
}

void JpegQuiet(j_common_ptr) {}

struct TJpegJob {
    jpeg_decompress_struct Info{};
    TJpegError Error{};
    const QByteArray* Bytes = nullptr;
    QImage Image;
};

constexpr JDIMENSION MaxJpegSide = 8192;

// Holds no objects of its own, so the jump out of libjpeg skips no destructor.
bool RunJpegDecode(TJpegJob& job) {
    if (setjmp(job.Error.Jump)) return false;
    jpeg_create_decompress(&job.Info);
    jpeg_mem_src(&job.Info, reinterpret_cast<const unsigned char*>(job.Bytes->constData()),
                 static_cast<unsigned long>(job.Bytes->size()));
    if (jpeg_read_header(&job.Info, TRUE) != JPEG_HEADER_OK) return false;
    if (job.Info.image_width == 0 || job.Info.image_height == 0 || job.Info.image_width > MaxJpegSide ||
        job.Info.image_height > MaxJpegSide)
        return false;
    job.Info.out_color_space = JCS_RGB;
    if (!jpeg_start_decompress(&job.Info) || job.Info.output_components != 3) return false;
    job.Image = QImage(static_cast<int>(job.Info.output_width), static_cast<int>(job.Info.output_height),
                       QImage::Format_RGB888);
    if (job.Image.isNull()) return false;
    while (job.Info.output_scanline < job.Info.output_height) {
        JSAMPROW row = job.Image.scanLine(static_cast<int>(job.Info.output_scanline));
        if (jpeg_read_scanlines(&job.Info, &row, 1) != 1) return false;
    }
    jpeg_finish_decompress(&job.Info);
    return job.Error.Mgr.num_warnings == 0;
}

}  // namespace

int ListImageCount(TImageList list) {
    switch (list) {
    case TImageList::DIBImageList1: return 1;
    case TImageList::DIBImageList2: return 3;
    case TImageList::bacs_image: return 12;
    }
    return 0;
}

QImage ListImage(TImageList list, int index) {
    const TListEntry* e = Entry(list, index);
    if (e == nullptr) return {};
    // Decoded once; QImage copies share the pixels.
    static std::array<QImage, 16> cache;
    const size_t slot = static_cast<size_t>(list == TImageList::DIBImageList1   ? index
                                            : list == TImageList::DIBImageList2 ? 1 + index
                                                                                : 4 + index);
    if (cache[slot].isNull()) cache[slot] = LoadListImage(*e);
    return cache[slot];
}

QString ListImageName(TImageList list, int index) {
    const TListEntry* e = Entry(list, index);
    return e != nullptr ? QString::fromLatin1(e->File) : QString();
}

bool ListImageBlackTransparent(TImageList list, int index) {
    const TListEntry* e = Entry(list, index);
    return e != nullptr && e->BlackTransparent;
}

QImage DecodeJpeg(const QByteArray& bytes) {
    if (bytes.isEmpty()) return {};
    TJpegJob job;
    job.Bytes = &bytes;
    job.Info.err = jpeg_std_error(&job.Error.Mgr);
    job.Error.Mgr.error_exit = JpegErrorExit;
    job.Error.Mgr.output_message = JpegQuiet;
    const bool ok = RunJpegDecode(job);
    jpeg_destroy_decompress(&job.Info);
    if (!ok) return {};
    return job.Image.convertToFormat(QImage::Format_RGB32);
}

QImage TitlePicture() {
    static QImage title;
    if (title.isNull()) title = DecodeJpeg(ResourceBytes(QStringLiteral(":/title.jpg")));
    return title;
}

QByteArray WaveFileBytes(const QString& name) {
    if (name.isEmpty() || name.contains(QLatin1Char('/'))) return {};
    return ResourceBytes(QStringLiteral(":/sounds/%1.wav").arg(name));
}
