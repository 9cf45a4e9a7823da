// The bytes of the identify requests that the Windows program sends to disks and USB bridges.
// The Windows build checks these layouts against the system's own structures at compile time.
#include "platform/disk_identity.h"

#include <gtest/gtest.h>

#include <map>

namespace quenzar::platform {
namespace {

std::uint64_t le(const std::uint8_t* at, int byteCount) {
    std::uint64_t value = 0;
    for (int i = byteCount - 1; i >= 0; --i) value = value << 8 | at[i];
    return value;
}

TEST(IdentifyRequests, SmartIdentifyAsksForOneSectorOfIdentifyDevice) {
    const auto& request = kSmartIdentifyRequest;
    EXPECT_EQ(le(&request[0], 4), 512u);  // cBufferSize
    EXPECT_EQ(request[4], 0x00);          // features
    EXPECT_EQ(request[5], 0x01);          // sector count
    EXPECT_EQ(request[6], 0x01);          // sector number
    EXPECT_EQ(request[7], 0x00);          // cylinder low
    EXPECT_EQ(request[8], 0x00);          // cylinder high
    EXPECT_EQ(request[9], 0xA0);          // drive/head
    EXPECT_EQ(request[10], 0xEC);         // command: IDENTIFY DEVICE
    for (std::size_t i = 11; i < request.size(); ++i) EXPECT_EQ(request[i], 0) << "byte " << i;
    EXPECT_EQ(kSmartRcvDriveData, 0x7C088u);
    EXPECT_EQ(kSmartAnswerBytes, 528u);
}

// The bridge commands in the order they are tried, as "byte index = value" lists.
TEST(IdentifyRequests, BridgeCommandsInOrderWithTheirBytes) {
    struct Expected {
        ConnectionRoute route;
        int cdbLength;
        std::map<int, std::uint8_t> bytes;
    };
    const Expected expected[] = {
        {ConnectionRoute::BridgeSat, 12, {{0, 0xA1}, {1, 0x08}, {2, 0x0E}, {4, 0x01}, {8, 0xA0}, {9, 0xEC}}},
        {ConnectionRoute::BridgeSunplus, 12,
         {{0, 0xF8}, {2, 0x22}, {3, 0x10}, {4, 0x01}, {6, 0x01}, {10, 0xA0}, {11, 0xEC}}},
        {ConnectionRoute::BridgeIoData, 12, {{0, 0xE3}, {3, 0x01}, {4, 0x01}, {7, 0xA0}, {8, 0xEC}}},
        {ConnectionRoute::BridgeLogitec, 10, {{0, 0xE0}, {7, 0xA0}, {8, 0xEC}, {9, 0x4C}}},
        {ConnectionRoute::BridgeJmicron, 12,
         {{0, 0xDF}, {1, 0x10}, {3, 0x02}, {6, 0x01}, {10, 0xA0}, {11, 0xEC}}},
        // The command byte sits at 12: the CDB goes out with 16 bytes so that it is sent at all.
        {ConnectionRoute::BridgeCypress, 16,
         {{0, 0x24}, {1, 0x24}, {3, 0xBE}, {4, 0x01}, {7, 0x01}, {11, 0xA0}, {12, 0xEC}}},
    };
    ASSERT_EQ(kBridgeIdentifyCommands.size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        const BridgeIdentifyCommand& command = kBridgeIdentifyCommands[i];
        EXPECT_EQ(command.route, expected[i].route) << "command " << i;
        EXPECT_EQ(command.cdbLength, expected[i].cdbLength) << "command " << i;
        for (int b = 0; b < 16; ++b) {
            const auto set = expected[i].bytes.find(b);
            EXPECT_EQ(command.cdb[static_cast<std::size_t>(b)], set == expected[i].bytes.end() ? 0 : set->second)
                << "command " << i << " byte " << b;
        }
    }
}

// SCSI_PASS_THROUGH: Length 44 and sense bytes at 48 in a 32-bit program; 56 and 56 in a 64-bit
// one, where DataBufferOffset is 8 bytes wide. Data at 80 and 592 bytes in both.
TEST(IdentifyRequests, PassThroughBufferIn32And64BitLayout) {
    const BridgeIdentifyCommand& jmicron = kBridgeIdentifyCommands[4];
    struct Layout {
        std::size_t pointerBytes, length, senseOffset, dataOffsetAt, senseOffsetAt, cdbAt;
    };
    for (const Layout& l : {Layout{4, 44, 48, 20, 24, 28}, Layout{8, 56, 56, 24, 32, 36}}) {
        SCOPED_TRACE(l.pointerBytes);
        const auto buffer = passThroughRequest(jmicron, passThroughLayout(l.pointerBytes));
        EXPECT_EQ(buffer.size(), 592u);
        EXPECT_EQ(le(&buffer[0], 2), l.length);  // Length
        EXPECT_EQ(buffer[2], 0);                 // ScsiStatus, filled in by the driver
        EXPECT_EQ(buffer[6], 12);                // CdbLength
        EXPECT_EQ(buffer[7], 24);                // SenseInfoLength
        EXPECT_EQ(buffer[8], 1);                 // DataIn: from the device
        EXPECT_EQ(le(&buffer[12], 4), 512u);     // DataTransferLength
        EXPECT_EQ(le(&buffer[16], 4), 2u);       // TimeOutValue, seconds
        EXPECT_EQ(le(&buffer[l.dataOffsetAt], static_cast<int>(l.pointerBytes)), 80u);
        EXPECT_EQ(le(&buffer[l.senseOffsetAt], 4), l.senseOffset);
        EXPECT_TRUE(std::equal(jmicron.cdb.begin(), jmicron.cdb.begin() + 12, buffer.begin() + l.cdbAt));
        EXPECT_EQ(buffer[l.cdbAt + 12], 0);  // nothing past the CDB's length
        EXPECT_LE(l.senseOffset + 24, 80u);  // the sense bytes end before the data
    }
}

}  // namespace
}  // namespace quenzar::platform
