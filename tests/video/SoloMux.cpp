#include "SoloMux.h"

#include "TestTools.h"

#include "media/mux/MovieMuxer.h"

#include <QJsonArray>

namespace videotest {

long long muxAlone(lc::media::VideoPacketSource& source, const QString& outputPath)
{
    lc::media::MovieMuxer muxer(outputPath);
    source.configureStream(muxer.addStream());
    muxer.writeHeader();
    lc::media::PacketPtr pkt = lc::media::makePacket();
    long long count = 0;
    while (source.nextPacket(pkt.get())) {
        muxer.writePacket(pkt.get(), 0, source.timeBase());
        ++count;
    }
    muxer.commit();
    return count;
}

QJsonObject firstStream(const QString& path)
{
    return testtools::probe(path).value("streams").toArray().first().toObject();
}

int decodedFrameCount(const QString& path)
{
    const auto r = testtools::run("ffprobe", {"-v", "error", "-count_frames", "-select_streams", "v:0",
                                              "-show_entries", "stream=nb_read_frames", "-of", "csv=p=0", path});
    return QString::fromUtf8(r.out).trimmed().toInt();
}

} // namespace videotest
