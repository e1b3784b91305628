// The request records the transport exchanges with the Windows SCSI port
// driver (pass-through) and with WNASPI32.DLL (ASPI), with their constants.
// The records carry pointers, so their layout depends on the program's
// pointer width: the 32-bit program's records are the published 32-bit ones,
// the 64-bit program's the published 64-bit ones. Both are pinned below
// (ScsiLayout.h); the Windows builds also check the pass-through record
// against the system's own header (SystemLayoutCheck.cpp).
#pragma once

#include <cstddef>
#include <cstdint>

#include "scsi/ScsiLayout.h"

// ASPI commands.
inline constexpr std::uint8_t SC_GET_DEV_TYPE = 0x01;
inline constexpr std::uint8_t SC_EXEC_SCSI_CMD = 0x02;
inline constexpr std::uint8_t SC_ABORT_SRB = 0x03;

// ASPI request status (SRB_Status) and the transport's status scale.
inline constexpr std::uint8_t SS_PENDING = 0x00;
inline constexpr std::uint8_t SS_COMP = 0x01;
inline constexpr std::uint8_t SS_ABORTED = 0x02;
inline constexpr std::uint8_t SS_ERR = 0x04;
inline constexpr std::uint8_t SS_INVALID_HA = 0x81;
inline constexpr std::uint8_t SS_NO_DEVICE = 0x82;

// ASPI request flags: the direction, and event notification on completion.
inline constexpr std::uint8_t SRB_DIR_IN = 0x08;
inline constexpr std::uint8_t SRB_DIR_OUT = 0x10;
inline constexpr std::uint8_t SRB_EVENT_NOTIFY = 0x40;

// Peripheral device type of a CD-ROM device.
inline constexpr std::uint8_t DTYPE_CDROM = 0x05;

// Pass-through directions (DataIn).
inline constexpr std::uint8_t SCSI_IOCTL_DATA_OUT = 0;
inline constexpr std::uint8_t SCSI_IOCTL_DATA_IN = 1;
inline constexpr std::uint8_t SCSI_IOCTL_DATA_UNSPECIFIED = 2;

inline constexpr std::uint32_t IOCTL_SCSI_PASS_THROUGH_DIRECT = 0x4D014;

inline constexpr std::size_t kCdbLength = 12;
// TEST UNIT READY and START STOP UNIT: 6-byte CDBs without a data phase,
// whose CHECK CONDITION comes with fixed-format sense data.
inline constexpr std::size_t kShortCdbLength = 6;
inline constexpr std::uint8_t kFixedSenseLength = 18;
inline constexpr std::uint8_t SCSIOP_TEST_UNIT_READY = 0x00;
inline constexpr std::uint8_t SCSIOP_START_STOP_UNIT = 0x1B;
// START STOP UNIT byte 4: eject or load with LoEj, spin up or load with Start.
inline constexpr std::uint8_t kStartStopLoadEject = 0x02;
inline constexpr std::uint8_t kStartStopStart = 0x01;
// The SCSI status of a command that ended with sense data.
inline constexpr std::uint8_t SCSISTAT_CHECK_CONDITION = 0x02;
inline constexpr std::uint32_t kPassThroughTimeOutSeconds = 20;
inline constexpr std::uint8_t kPassThroughSenseLength = 24;
inline constexpr std::uint8_t kAspiSenseLength = 14;
inline constexpr std::uint32_t kAspiWaitMilliseconds = 30000;
// How long the scan waits for one device-type request before it skips the
// address.
inline constexpr std::uint32_t kDeviceTypeWaitMilliseconds = 3000;

struct SCSI_PASS_THROUGH_DIRECT {
  std::uint16_t Length;
  std::uint8_t ScsiStatus;
  std::uint8_t PathId;
  std::uint8_t TargetId;
  std::uint8_t Lun;
  std::uint8_t CdbLength;
  std::uint8_t SenseInfoLength;
  std::uint8_t DataIn;
  std::uint8_t alignment[3];
  std::uint32_t DataTransferLength;
  std::uint32_t TimeOutValue;
  void* DataBuffer;
  std::uint32_t SenseInfoOffset;
  std::uint8_t Cdb[16];
};

// The pass-through request as the program sends it: the published record,
// a filler, and room for the sense data the driver writes.
struct PassThroughRecord {
  SCSI_PASS_THROUGH_DIRECT spt;
  std::uint32_t filler;
  std::uint8_t senseBuffer[32];
};

struct SRB_ExecSCSICmd {
  std::uint8_t SRB_Cmd;
  std::uint8_t SRB_Status;
  std::uint8_t SRB_HaId;
  std::uint8_t SRB_Flags;
  std::uint32_t SRB_Hdr_Rsvd;
  std::uint8_t SRB_Target;
  std::uint8_t SRB_Lun;
  std::uint16_t SRB_Rsvd1;
  std::uint32_t SRB_BufLen;
  std::uint8_t* SRB_BufPointer;
  std::uint8_t SRB_SenseLen;
  std::uint8_t SRB_CDBLen;
  std::uint8_t SRB_HaStat;
  std::uint8_t SRB_TargStat;
  void* SRB_PostProc;
  void* SRB_Rsvd2;
  std::uint8_t SRB_Rsvd3[16];
  std::uint8_t CDBByte[16];
  std::uint8_t SenseArea[16];
};

struct SRB_Abort {
  std::uint8_t SRB_Cmd;
  std::uint8_t SRB_Status;
  std::uint8_t SRB_HaId;
  std::uint8_t SRB_Flags;
  std::uint32_t SRB_Hdr_Rsvd;
  void* SRB_ToAbort;
};

struct SRB_GDEVBlock {
  std::uint8_t SRB_Cmd;
  std::uint8_t SRB_Status;
  std::uint8_t SRB_HaId;
  std::uint8_t SRB_Flags;
  std::uint32_t SRB_Hdr_Rsvd;
  std::uint8_t SRB_Target;
  std::uint8_t SRB_Lun;
  std::uint8_t SRB_DeviceType;
  std::uint8_t SRB_Rsvd1;
};

// What the program reads of the standard INQUIRY data, and where.
namespace inquiry {
inline constexpr std::size_t kAnswerLength = 256;  // the buffers answers are read into
inline constexpr std::size_t kIdentificationOffset = 8;  // vendor (8) and product (16)
inline constexpr std::size_t kIdentificationLength = 24;
inline constexpr std::size_t kRevisionOffset = 32;  // product revision and the byte after it
inline constexpr std::size_t kRevisionLength = 5;
inline constexpr std::size_t kDateCodeOffset = 40;
inline constexpr std::size_t kDateCodeLength = 7;
}  // namespace inquiry

// How a command without data ended, on either back end: good, with
// CHECK CONDITION and its fixed-format sense data, or not at all (the request
// failed, timed out, or the device gave another status).
struct UnitAnswer {
  enum class Ending { Good, CheckCondition, Failed };
  Ending ending = Ending::Failed;
  std::uint8_t sense[kFixedSenseLength] = {};

  std::uint8_t SenseKey() const { return sense[2] & 0x0F; }
  std::uint8_t Asc() const { return sense[12]; }
  std::uint8_t Ascq() const { return sense[13]; }
};

// Every ASPI request starts with this header; the library reads SRB_Cmd to
// tell the kinds apart.
struct SRB_Header {
  std::uint8_t SRB_Cmd;
  std::uint8_t SRB_Status;
  std::uint8_t SRB_HaId;
  std::uint8_t SRB_Flags;
  std::uint32_t SRB_Hdr_Rsvd;
};

namespace scsi_layout {

static_assert(offsetof(SCSI_PASS_THROUGH_DIRECT, ScsiStatus) == 2);
static_assert(offsetof(SCSI_PASS_THROUGH_DIRECT, PathId) == 3);
static_assert(offsetof(SCSI_PASS_THROUGH_DIRECT, TargetId) == 4);
static_assert(offsetof(SCSI_PASS_THROUGH_DIRECT, Lun) == 5);
static_assert(offsetof(SCSI_PASS_THROUGH_DIRECT, CdbLength) == 6);
static_assert(offsetof(SCSI_PASS_THROUGH_DIRECT, SenseInfoLength) == 7);
static_assert(offsetof(SCSI_PASS_THROUGH_DIRECT, DataIn) == 8);
static_assert(offsetof(SCSI_PASS_THROUGH_DIRECT, DataTransferLength) == 12);
static_assert(offsetof(SCSI_PASS_THROUGH_DIRECT, TimeOutValue) == 16);
static_assert(offsetof(SCSI_PASS_THROUGH_DIRECT, DataBuffer) == kSptdDataBuffer);
static_assert(offsetof(SCSI_PASS_THROUGH_DIRECT, SenseInfoOffset) == kSptdSenseInfoOffset);
static_assert(offsetof(SCSI_PASS_THROUGH_DIRECT, Cdb) == kSptdCdb);
static_assert(sizeof(SCSI_PASS_THROUGH_DIRECT) == kSptdSize);
static_assert(offsetof(PassThroughRecord, filler) == kSptdSize);
static_assert(offsetof(PassThroughRecord, senseBuffer) == kPassThroughSense);
static_assert(sizeof(PassThroughRecord) == kPassThroughSize);

static_assert(offsetof(SRB_ExecSCSICmd, SRB_Status) == 1);
static_assert(offsetof(SRB_ExecSCSICmd, SRB_HaId) == 2);
static_assert(offsetof(SRB_ExecSCSICmd, SRB_Flags) == 3);
static_assert(offsetof(SRB_ExecSCSICmd, SRB_Hdr_Rsvd) == 4);
static_assert(offsetof(SRB_ExecSCSICmd, SRB_Target) == 8);
static_assert(offsetof(SRB_ExecSCSICmd, SRB_Lun) == 9);
static_assert(offsetof(SRB_ExecSCSICmd, SRB_Rsvd1) == 10);
static_assert(offsetof(SRB_ExecSCSICmd, SRB_BufLen) == 12);
static_assert(offsetof(SRB_ExecSCSICmd, SRB_BufPointer) == 16);
static_assert(offsetof(SRB_ExecSCSICmd, SRB_SenseLen) == kExecSenseLen);
static_assert(offsetof(SRB_ExecSCSICmd, SRB_CDBLen) == kExecSenseLen + 1);
static_assert(offsetof(SRB_ExecSCSICmd, SRB_HaStat) == kExecSenseLen + 2);
static_assert(offsetof(SRB_ExecSCSICmd, SRB_TargStat) == kExecSenseLen + 3);
static_assert(offsetof(SRB_ExecSCSICmd, SRB_PostProc) == kExecPostProc);
static_assert(offsetof(SRB_ExecSCSICmd, SRB_Rsvd2) == kExecRsvd2);
static_assert(offsetof(SRB_ExecSCSICmd, SRB_Rsvd3) == kExecRsvd3);
static_assert(offsetof(SRB_ExecSCSICmd, CDBByte) == kExecCdb);
static_assert(offsetof(SRB_ExecSCSICmd, SenseArea) == kExecCdb + 16);
static_assert(sizeof(SRB_ExecSCSICmd) == kExecSize);
// The library writes sense data right after the CDB bytes it was given
// (CDBByte[SRB_CDBLen]); both kinds of command leave room for it.
static_assert(kExecCdb + kCdbLength + kAspiSenseLength <= kExecSize);
static_assert(kExecCdb + kShortCdbLength + kFixedSenseLength <= kExecSize);
static_assert(kFixedSenseLength <= sizeof(PassThroughRecord::senseBuffer));

static_assert(offsetof(SRB_Abort, SRB_HaId) == 2);
static_assert(offsetof(SRB_Abort, SRB_Flags) == 3);
static_assert(offsetof(SRB_Abort, SRB_Hdr_Rsvd) == 4);
static_assert(offsetof(SRB_Abort, SRB_ToAbort) == 8);
static_assert(sizeof(SRB_Abort) == kAbortSize);

static_assert(offsetof(SRB_GDEVBlock, SRB_Status) == 1);
static_assert(offsetof(SRB_GDEVBlock, SRB_HaId) == 2);
static_assert(offsetof(SRB_GDEVBlock, SRB_Target) == 8);
static_assert(offsetof(SRB_GDEVBlock, SRB_Lun) == 9);
static_assert(offsetof(SRB_GDEVBlock, SRB_DeviceType) == 10);
static_assert(offsetof(SRB_GDEVBlock, SRB_Rsvd1) == 11);
static_assert(sizeof(SRB_GDEVBlock) == 12);
static_assert(sizeof(SRB_Header) == 8);

}  // namespace scsi_layout
