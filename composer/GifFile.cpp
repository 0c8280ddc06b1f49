#include "composer/GifFile.h"

#include <gif_lib.h>

#include <QRect>
#include <stdexcept>

#include "gui/core/GifFrames.h"
#include "gui/core/RuntimeError.h"

namespace {

const QString ReadOperation = QStringLiteral("Read picture");
// Browsers play a delay this short as 10 centiseconds.
constexpr int ShortestDelay = 2;

[[noreturn]] void Refuse(const QString& path, const QString& reason) {
    throw runtime::RuntimeError(ReadOperation, path, reason);
}

// Plays the frames of an open GIF onto its screen.
class Player {
public:
    Player(GifFileType* gif, const QString& path) : gif_(gif), path_(path) {}

    // Every frame was checked to lie on the screen (GifFramesRefusal).
    GifAnimation Play() {
        animation_.width = gif_->SWidth;
        animation_.height = gif_->SHeight;
        canvas_.fill(0, animation_.width * animation_.height);
        for (int type = 0; type != TERMINATE_RECORD_TYPE;) {
            if (DGifGetRecordType(gif_, reinterpret_cast<GifRecordType*>(&type)) == GIF_ERROR)
                Broken();
            if (type == EXTENSION_RECORD_TYPE) ReadExtension();
            if (type == IMAGE_DESC_RECORD_TYPE) ReadFrame();
        }
        if (animation_.frames.isEmpty()) Refuse(path_, QStringLiteral("The picture has no frame"));
        return animation_;
    }

private:
    [[noreturn]] void Broken() {
        Refuse(path_, QStringLiteral("Not a readable GIF picture (%1)")
                          .arg(QLatin1String(GifErrorString(gif_->Error))));
    }

    void ReadExtension() {
        int code = 0;
        GifByteType* block = nullptr;
        if (DGifGetExtension(gif_, &code, &block) == GIF_ERROR) Broken();
        if (code == GRAPHICS_EXT_FUNC_CODE && block && block[0] >= 4)
            DGifExtensionToGCB(block[0], block + 1, &control_);
        while (block) {
            if (DGifGetExtensionNext(gif_, &block) == GIF_ERROR) Broken();
        }
    }

    void ReadFrame() {
        if (DGifGetImageDesc(gif_) == GIF_ERROR) Broken();
        const GifImageDesc& place = gif_->Image;
        const ColorMapObject* colours = place.ColorMap ? place.ColorMap : gif_->SColorMap;
        if (!colours) Refuse(path_, QStringLiteral("A frame has no colour table"));

        const QVector<quint32> before = canvas_;
        Draw(place, *colours, DecodeRows(place));
        animation_.frames.append(
            {canvas_, qMax(control_.DelayTime, 0) < ShortestDelay ? 10 : control_.DelayTime});
        Dispose(place, before);
        control_ = GraphicsControlBlock{0, false, 0, NO_TRANSPARENT_COLOR};
    }

    std::vector<GifPixelType> DecodeRows(const GifImageDesc& place) {
        std::vector<GifPixelType> pixels(size_t(place.Width) * size_t(place.Height));
        auto row = [&](int y) {
            if (DGifGetLine(gif_, pixels.data() + size_t(y) * size_t(place.Width), place.Width) ==
                GIF_ERROR)
                Broken();
        };
        if (!place.Interlace) {
            for (int y = 0; y < place.Height; ++y) row(y);
            return pixels;
        }
        static constexpr int start[] = {0, 4, 2, 1}, step[] = {8, 8, 4, 2};
        for (int pass = 0; pass < 4; ++pass)
            for (int y = start[pass]; y < place.Height; y += step[pass]) row(y);
        return pixels;
    }

    void Draw(const GifImageDesc& place, const ColorMapObject& colours,
              const std::vector<GifPixelType>& pixels) {
        for (int y = 0; y < place.Height; ++y) {
            for (int x = 0; x < place.Width; ++x) {
                const int index = pixels[size_t(y) * size_t(place.Width) + size_t(x)];
                if (index == control_.TransparentColor) continue;
                if (index >= colours.ColorCount)
                    Refuse(path_, QStringLiteral("A pixel names colour %1 of a table of %2")
                                      .arg(index)
                                      .arg(colours.ColorCount));
                const GifColorType c = colours.Colors[index];
                canvas_[(place.Top + y) * animation_.width + place.Left + x] =
                    0xff000000u | quint32(c.Red) << 16 | quint32(c.Green) << 8 | c.Blue;
            }
        }
    }

    void Dispose(const GifImageDesc& place, const QVector<quint32>& before) {
        if (control_.DisposalMode == DISPOSE_PREVIOUS) {
            canvas_ = before;
        } else if (control_.DisposalMode == DISPOSE_BACKGROUND) {
            for (int y = place.Top; y < place.Top + place.Height; ++y)
                std::fill_n(canvas_.begin() + y * animation_.width + place.Left, place.Width, 0u);
        }
    }

    GifFileType* gif_;
    const QString& path_;
    GifAnimation animation_;
    QVector<quint32> canvas_;
    GraphicsControlBlock control_{0, false, 0, NO_TRANSPARENT_COLOR};
};

// Collects what giflib writes.
int WriteSink(GifFileType* gif, const GifByteType* bytes, int length) {
    static_cast<QByteArray*>(gif->UserData)->append(reinterpret_cast<const char*>(bytes), length);
    return length;
}

void Check(GifFileType* gif, int result, const char* step) {
    if (result == GIF_ERROR) {
        throw std::runtime_error(std::string("GIF encoding failed at ") + step + ": " +
                                 GifErrorString(gif->Error));
    }
}

void PutLoopExtension(GifFileType* gif) {
    static const GifByteType name[] = "NETSCAPE2.0";
    static const GifByteType loop[] = {1, 0, 0};  // loop count 0: for ever
    Check(gif, EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE), "loop extension");
    Check(gif, EGifPutExtensionBlock(gif, 11, name), "loop extension");
    Check(gif, EGifPutExtensionBlock(gif, 3, loop), "loop extension");
    Check(gif, EGifPutExtensionTrailer(gif), "loop extension");
}

// Whether frame `next` may be drawn over frame `shown` left on the screen:
// only when no pixel turns transparent, which drawing over cannot do.
bool CanDrawOver(const IndexedGif::Frame& shown, const IndexedGif::Frame& next) {
    for (qsizetype i = 0; i < next.indices.size(); ++i)
        if (next.indices[i] == 0 && shown.indices[i] != 0) return false;
    return true;
}

// The smallest rectangle that holds every pixel in which the frames differ;
// one pixel when none does, as a frame cannot be empty.
QRect Changed(const IndexedGif& picture, const IndexedGif::Frame& shown,
              const IndexedGif::Frame& next) {
    QRect box;
    for (int y = 0; y < picture.height; ++y) {
        const qsizetype row = qsizetype(y) * picture.width;
        for (int x = 0; x < picture.width; ++x)
            if (shown.indices[row + x] != next.indices[row + x]) box |= QRect(x, y, 1, 1);
    }
    return box.isEmpty() ? QRect(0, 0, 1, 1) : box;
}

// One frame as it goes into the file: a rectangle of the screen, in which
// a transparent pixel leaves what is under it, and whether it stays on the
// screen when its time is up or is cleared.
struct Patch {
    QRect place;
    QByteArray indices;
    bool stays = false;
};

// Where a frame may be drawn over the one before, only the pixels that
// change are written and the rest left transparent, which compresses far
// better. A frame that is cleared afterwards covers the whole screen and holds
// every pixel it shows: clearing it leaves nothing of an earlier frame behind,
// and a decoder that clears the screen before drawing such a frame still
// shows it whole.
QVector<Patch> Patches(const IndexedGif& picture) {
    const QVector<IndexedGif::Frame>& frames = picture.frames;
    const QRect screen(0, 0, picture.width, picture.height);
    QVector<Patch> patches;
    for (qsizetype i = 0; i < frames.size(); ++i) {
        const bool over = i > 0 && patches.last().stays;
        Patch patch{screen, frames[i].indices, false};
        patch.stays = i + 1 < frames.size() && CanDrawOver(frames[i], frames[i + 1]);
        if (over && patch.stays) {
            for (qsizetype p = 0; p < patch.indices.size(); ++p)
                if (patch.indices[p] == frames[i - 1].indices[p]) patch.indices[p] = 0;
            patch.place = Changed(picture, frames[i - 1], frames[i]);
        }
        if (patch.place != screen) {
            QByteArray cut;
            cut.reserve(qsizetype(patch.place.width()) * patch.place.height());
            for (int y = patch.place.top(); y <= patch.place.bottom(); ++y)
                cut.append(
                    patch.indices.constData() + qsizetype(y) * picture.width + patch.place.left(),
                    patch.place.width());
            patch.indices = cut;
        }
        patches.append(patch);
    }
    return patches;
}

void PutFrame(GifFileType* gif, const Patch& patch, int delayCentiseconds) {
    GraphicsControlBlock control{};
    control.DisposalMode = patch.stays ? DISPOSE_DO_NOT : DISPOSE_BACKGROUND;
    control.DelayTime = delayCentiseconds;
    control.TransparentColor = 0;
    GifByteType block[4];
    const size_t length = EGifGCBToExtension(&control, block);
    Check(gif, EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, int(length), block), "frame control");
    const QRect& place = patch.place;
    Check(
        gif,
        EGifPutImageDesc(gif, place.x(), place.y(), place.width(), place.height(), false, nullptr),
        "frame");
    auto* pixels = reinterpret_cast<GifPixelType*>(const_cast<char*>(patch.indices.constData()));
    for (int y = 0; y < place.height(); ++y)
        Check(gif, EGifPutLine(gif, pixels + qsizetype(y) * place.width(), place.width()),
              "pixels");
}

}  // namespace

GifAnimation ReadGif(const QString& path, int maxSide) {
    // Every frame's place is checked before any is decoded.
    const QByteArray bytes = runtime::ReadPictureBytes(ReadOperation, path, maxSide);
    runtime::GifBytes source{bytes};
    int error = 0;
    GifFileType* gif = runtime::OpenGifBytes(source, &error);
    if (!gif) {
        Refuse(path,
               QStringLiteral("Not a GIF picture (%1)").arg(QLatin1String(GifErrorString(error))));
    }
    try {
        GifAnimation animation = Player(gif, path).Play();
        DGifCloseFile(gif, &error);
        return animation;
    } catch (...) {
        DGifCloseFile(gif, &error);
        throw;
    }
}

QByteArray EncodeGif(const IndexedGif& picture) {
    QByteArray bytes;
    int error = 0;
    GifFileType* gif = EGifOpen(&bytes, WriteSink, &error);
    if (!gif)
        throw std::runtime_error(std::string("GIF encoding failed: ") + GifErrorString(error));
    EGifSetGifVersion(gif, true);
    ColorMapObject* table = GifMakeMapObject(picture.tableSize, nullptr);
    for (int i = 0; table && i < picture.tableSize; ++i) {
        const quint32 c =
            i == 0 ? 0u : picture.palette.value(qMin(i - 1, int(picture.palette.size()) - 1));
        table->Colors[i] = {GifByteType(c >> 16), GifByteType(c >> 8), GifByteType(c)};
    }
    try {
        if (!table) throw std::runtime_error("GIF encoding failed: bad colour table size");
        Check(gif, EGifPutScreenDesc(gif, picture.width, picture.height, 8, 0, table), "screen");
        PutLoopExtension(gif);
        const QVector<Patch> patches = Patches(picture);
        for (qsizetype i = 0; i < patches.size(); ++i)
            PutFrame(gif, patches[i], picture.frames[i].delayCentiseconds);
    } catch (...) {
        GifFreeMapObject(table);
        EGifCloseFile(gif, &error);
        throw;
    }
    GifFreeMapObject(table);
    if (EGifCloseFile(gif, &error) == GIF_ERROR)
        throw std::runtime_error(std::string("GIF encoding failed: ") + GifErrorString(error));
    return bytes;
}
