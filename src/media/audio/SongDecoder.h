#pragma once
// Reads a song as the mix plays it: the first audio stream decoded gaplessly
// (the decoder trims encoder delay and padding itself), resampled to 44.1 kHz
// stereo planar float. Measuring and mixing both read through this class, so
// a song's measured length and its mixed length are the same count.

#include "media/common/CancelToken.h"
#include "media/common/FfmpegPtr.h"

#include <QString>
#include <cstdint>
#include <vector>

namespace lc::media {

class SongDecoder {
public:
    // Throws MediaError when the file cannot be opened or probed.
    SongDecoder(const QString& path, const CancelToken* cancel);
    ~SongDecoder();
    SongDecoder(const SongDecoder&) = delete;
    SongDecoder& operator=(const SongDecoder&) = delete;

    bool hasAudio() const { return m_streamIndex >= 0; }
    // A tag such as "artist" or "title" (ID3, Vorbis comment, MP4 atom and
    // RIFF INFO names all arrive under these keys): the container's, else
    // the first audio stream's (Ogg keeps its comments there); empty if none.
    QString tag(const char* key) const;

    // Reads up to `count` frames into the two channel buffers; returns the
    // number read, 0 at the end of the song. Throws MediaError on decode
    // failures, CancelledError once the cancel flag is raised.
    int64_t read(float* left, float* right, int64_t count);
    // Same as read() but throws the samples away (the part of a song that
    // starts before the mix does).
    int64_t skip(int64_t count);
    // Frames left until the end of the song; consumes the decoder.
    int64_t countRemaining();

private:
    bool fillBuffer();
    void openResampler(const AVFrame* frame);
    void convert(const uint8_t** in, int inCount);
    int64_t bufferedFrames() const { return m_bufEnd - m_bufPos; }
    int64_t allowedFrames(int64_t count) const;

    QString m_path;
    QString m_fileName;
    const CancelToken* m_cancel;
    InputFormatPtr m_format;
    CodecContextPtr m_decoder;
    SwrPtr m_swr;
    FramePtr m_frame;
    PacketPtr m_packet;
    int m_streamIndex = -1;
    int m_swrRate = 0;
    int64_t m_swrIn = 0;  // samples given to the current resampler
    int64_t m_swrOut = 0; // samples it returned
    int m_swrFormat = -1;
    AVChannelLayout m_swrLayout {};
    bool m_demuxDone = false;
    bool m_decoderDone = false;
    int64_t m_packetsRead = 0;
    int64_t m_cap = -1;       // exact container length where the container knows it
    int64_t m_delivered = 0;
    std::vector<float> m_left, m_right;
    int64_t m_bufPos = 0;
    int64_t m_bufEnd = 0;
};

} // namespace lc::media
