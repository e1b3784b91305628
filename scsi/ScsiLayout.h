// Where the fields after the first pointer of each SCSI request record lie,
// for 32-bit and for 64-bit programs (natural alignment, as the system's and
// the ASPI library's headers declare them). ScsiRecords.h pins our records to
// these figures; SystemLayoutCheck.cpp pins the system's.
#pragma once

#include <cstddef>

namespace scsi_layout {

inline constexpr bool kPointers32 = sizeof(void*) == 4;

constexpr std::size_t ByWidth(std::size_t pointers32, std::size_t pointers64) {
  return kPointers32 ? pointers32 : pointers64;
}

// SCSI_PASS_THROUGH_DIRECT, and the program's request: the record, a
// 4-byte filler and 32 bytes of sense data.
inline constexpr std::size_t kSptdDataBuffer = ByWidth(20, 24);
inline constexpr std::size_t kSptdSenseInfoOffset = ByWidth(24, 32);
inline constexpr std::size_t kSptdCdb = ByWidth(28, 36);
inline constexpr std::size_t kSptdSize = ByWidth(44, 56);
inline constexpr std::size_t kPassThroughSense = ByWidth(48, 60);
inline constexpr std::size_t kPassThroughSize = ByWidth(80, 96);

// SRB_ExecSCSICmd and SRB_Abort.
inline constexpr std::size_t kExecSenseLen = ByWidth(20, 24);
inline constexpr std::size_t kExecPostProc = ByWidth(24, 32);
inline constexpr std::size_t kExecRsvd2 = ByWidth(28, 40);
inline constexpr std::size_t kExecRsvd3 = ByWidth(32, 48);
inline constexpr std::size_t kExecCdb = ByWidth(48, 64);
inline constexpr std::size_t kExecSize = ByWidth(80, 96);
inline constexpr std::size_t kAbortSize = ByWidth(12, 16);

}  // namespace scsi_layout
