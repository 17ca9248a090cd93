// What a movie's positions are, from the packets in the file: chunk stamps in an
// AVI (gaps are dropped frames) only while the file can hold that many chunks, one
// position per packet otherwise; cut-short packets are no positions.
#include "media/movie/MovieIndex.h"

#include <gtest/gtest.h>

using media::MovieIndex;
using media::PacketInfo;

namespace {

// Packets stamped `stamps`, 1000 bytes each with an 8-byte header, every 5th a key frame.
std::vector<PacketInfo> Packets(const std::vector<std::int64_t>& stamps)
{
    std::vector<PacketInfo> packets;
    std::int64_t at = 4096;
    for (std::int64_t s : stamps) {
        packets.push_back({s, at, 1000, s % 5 == 0});
        at += 1008;
    }
    return packets;
}

} // namespace

TEST(MovieIndex, AviChunkStampsArePositionsAndTheirGapsDroppedFrames)
{
    const MovieIndex index = MovieIndex::FromPackets(Packets({0, 1, 2, 5, 6, 9}), true, 1 << 20);
    EXPECT_TRUE(index.ChunkStamps());
    EXPECT_EQ(index.PositionCount(), 10);
    EXPECT_EQ(index.PositionOfDts(5), 5);
    EXPECT_FALSE(index.PositionOfDts(3));
    // A packet is found by where its data starts, or by its chunk header a few bytes before.
    EXPECT_EQ(index.PositionOfByte(4096 + 3 * 1008), 5);
    EXPECT_EQ(index.PositionOfByte(4096 + 3 * 1008 + 8), 5);
    EXPECT_FALSE(index.PositionOfByte(4096 + 3 * 1008 + 500));
    ASSERT_EQ(index.Keys().size(), 2u);
    EXPECT_EQ(index.Keys()[1].position, 5);
}

TEST(MovieIndex, StampsTheFileCannotHoldAreCountedAsPacketsInstead)
{
    // A damaged header made the stamps count bytes: 6 packets would need 600,000 chunks.
    const MovieIndex index = MovieIndex::FromPackets(Packets({0, 100000, 200000, 300000, 400000, 599999}), true, 10000);
    EXPECT_FALSE(index.ChunkStamps());
    EXPECT_EQ(index.PositionCount(), 6);
    EXPECT_EQ(index.PositionOfDts(300000), 3);
    EXPECT_EQ(index.PositionOfByte(4096 + 5 * 1008), 5);
    // Negative stamps are no chunk ordinals either.
    EXPECT_FALSE(MovieIndex::FromPackets(Packets({-1, 0, 1}), true, 1 << 20).ChunkStamps());
}

TEST(MovieIndex, OtherContainersHaveOnePositionPerPacketInDecodingOrder)
{
    // Time-base ticks (an MP4 at 12800 a second, 25 frames a second, B-frames).
    const MovieIndex index = MovieIndex::FromPackets(Packets({-1024, -512, 0, 512, 1024}), false, 1 << 20);
    EXPECT_EQ(index.PositionCount(), 5);
    EXPECT_EQ(index.PositionOfDts(-1024), 0);
    EXPECT_EQ(index.PositionOfDts(1024), 4);
}

TEST(MovieIndex, EmptyAndCutShortPacketsAreNoPositionsAndTheCutIsReported)
{
    std::vector<PacketInfo> packets = Packets({0, 1, 2, 3, 4});
    packets[1].size = 0;       // a dropped frame
    packets[4].cutShort = true; // the file ends inside it
    const MovieIndex avi = MovieIndex::FromPackets(packets, true, 1 << 20);
    EXPECT_EQ(avi.PositionCount(), 4);
    EXPECT_TRUE(avi.CutShort());
    EXPECT_FALSE(avi.PositionOfDts(1));
    const MovieIndex other = MovieIndex::FromPackets(packets, false, 1 << 20);
    EXPECT_EQ(other.PositionCount(), 3);
    EXPECT_FALSE(MovieIndex::FromPackets(Packets({0, 1}), true, 1 << 20).CutShort());
    EXPECT_EQ(MovieIndex::FromPackets({}, true, 100).PositionCount(), 0);
}

TEST(MovieIndex, AnIndexAndAWalkNamingTheSameChunkCountItOnce)
{
    std::vector<PacketInfo> packets = Packets({0, 1, 2, 3});
    packets.push_back({3, packets[3].bytePos + 8, 1000, false}); // the walk meets chunk 3 again
    packets.push_back({4, packets[3].bytePos + 1008 + 8, 1000, false});
    const MovieIndex index = MovieIndex::FromPackets(packets, true, 1 << 20);
    EXPECT_EQ(index.PositionCount(), 5);
    EXPECT_EQ(index.PositionOfByte(packets[3].bytePos + 8), 3);
}

// Packets decoded but never shown on their own take no position: a hidden frame is
// known by its bytes, a second field's stamp names its frame, and the pictures before
// the first that decodes are left out on request.
TEST(MovieIndex, HiddenPacketsAndSecondFieldsAreNoPositions)
{
    std::vector<PacketInfo> packets = Packets({0, 1, 2, 3, 4, 5, 6});
    for (std::size_t i = 0; i < packets.size(); ++i)
        packets[i].presentation = packets[i].dts * 10;
    packets[2].hidden = true; // an alt-ref frame
    packets[4].hidden = packets[4].secondField = true;
    const MovieIndex index = MovieIndex::FromPackets(packets, false, 1 << 20);
    EXPECT_EQ(index.PositionCount(), 5);
    EXPECT_TRUE(index.Hidden(packets[2].bytePos, 2));
    EXPECT_FALSE(index.Hidden(packets[3].bytePos, 3));
    EXPECT_EQ(index.PositionOfByte(packets[5].bytePos), 3);
    EXPECT_EQ(index.PositionOfDts(4), 2); // the field's stamp: its frame, at position 2
    EXPECT_EQ(index.PositionOfPresentation(50), 3);
    EXPECT_TRUE(index.ShowsBefore(30));
    const MovieIndex later = index.HidingBefore(30);
    EXPECT_EQ(later.PositionCount(), 3);
    EXPECT_EQ(later.PositionOfPresentation(30), 0);
    EXPECT_TRUE(later.Hidden(packets[1].bytePos, 1));
}
