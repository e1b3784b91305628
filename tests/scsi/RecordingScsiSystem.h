// The real Win32 calls, through the seam a test may watch or change.
#pragma once

#include <string>
#include <vector>

#include "scsi/ScsiSystem.h"

class RecordingScsiSystem : public scsi::ScsiSystem {
 public:
  std::uint32_t PlatformId() override { return real.PlatformId(); }
  std::string SystemDirectory() override { return real.SystemDirectory(); }
  scsi::ModuleHandle LoadModule(const std::string& path) override { return real.LoadModule(path); }
  void* FindEntryPoint(scsi::ModuleHandle module, const char* name) override {
    return real.FindEntryPoint(module, name);
  }
  void UnloadModule(scsi::ModuleHandle module) override { real.UnloadModule(module); }
  unsigned DriveType(const std::string& rootPath) override { return real.DriveType(rootPath); }
  scsi::DeviceHandle OpenDevice(const std::string& path) override { return real.OpenDevice(path); }
  void CloseDevice(scsi::DeviceHandle device) override { real.CloseDevice(device); }
  bool IoControl(scsi::DeviceHandle device, std::uint32_t code, void* in, std::uint32_t inSize,
                 void* out, std::uint32_t outSize, std::uint32_t* returned) override {
    return real.IoControl(device, code, in, inSize, out, outSize, returned);
  }
  std::uint32_t LastError() override { return real.LastError(); }
  scsi::EventHandle NewEvent() override { return real.NewEvent(); }
  std::uint32_t WaitEvent(scsi::EventHandle event, std::uint32_t milliseconds) override {
    return real.WaitEvent(event, milliseconds);
  }
  void CloseEvent(scsi::EventHandle event) override { real.CloseEvent(event); }
  bool DispatchOneMessage() override { return real.DispatchOneMessage(); }
  std::uint32_t TickCount() override { return real.TickCount(); }

 private:
  scsi::ScsiSystem& real = scsi::WindowsScsiSystem();
};
