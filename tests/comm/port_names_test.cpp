#include "comm/port_names.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

// A fake /dev and /sys as the kernel lays them out for a USB adapter, a USB modem-class
// device, one real on-board UART and some placeholders.
class FakeTree : public testing::Test {
 protected:
  void SetUp() override {
    dev_ = root_ / "dev";
    sys_ = root_ / "sys";
    fs::create_directories(dev_);
    for (const char* name : {"ttyS0", "ttyS1", "ttyS2", "ttyUSB1", "ttyUSB10", "ttyUSB0", "ttyACM0",
                             "tty0", "ttyUSBx", "console"})
      Touch(dev_ / name, "");

    const fs::path devices = sys_ / "devices";
    const fs::path drivers = sys_ / "bus" / "drivers";
    for (const char* driver : {"ftdi_sio", "cdc_acm", "serial", "serial8250"})
      fs::create_directories(drivers / driver);

    // ttyUSB0: the interface has the driver, the USB device two levels up has the strings.
    const fs::path ftdi = devices / "pci0" / "usb1" / "1-1";
    Touch(ftdi / "idVendor", "0403\n");
    Touch(ftdi / "idProduct", "6001\n");
    Touch(ftdi / "manufacturer", "FTDI\n");
    Touch(ftdi / "product", "USB Serial\n");
    Touch(ftdi / "serial", "A1B2C3\n");
    AddTty("ttyUSB0", ftdi / "1-1:1.0" / "ttyUSB0", drivers / "ftdi_sio");
    AddTty("ttyUSB1", devices / "pci0" / "usb1" / "1-3" / "1-3:1.0" / "ttyUSB1",
           drivers / "ftdi_sio");
    const fs::path acm = devices / "pci0" / "usb1" / "1-2";
    Touch(acm / "idVendor", "2341\n");
    Touch(acm / "idProduct", "0043\n");
    Touch(acm / "product", "Sensor\n");
    AddTty("ttyACM0", acm / "1-2:1.0", drivers / "cdc_acm");
    // ttyS0 has a UART (type 4), ttyS1 is a placeholder (type 0), ttyS2 has no sysfs entry.
    AddTty("ttyS0", devices / "pnp0" / "00:04", drivers / "serial");
    Touch(sys_ / "class" / "tty" / "ttyS0" / "type", "4\n");
    AddTty("ttyS1", devices / "platform" / "serial8250", drivers / "serial8250");
    Touch(sys_ / "class" / "tty" / "ttyS1" / "type", "0\n");
  }

  void Touch(const fs::path& file, const std::string& text) {
    fs::create_directories(file.parent_path());
    std::ofstream(file) << text;
  }
  void AddTty(const std::string& name, const fs::path& device, const fs::path& driver) {
    fs::create_directories(device);
    fs::create_symlink(driver, device / "driver");
    const fs::path tty = sys_ / "class" / "tty" / name;
    fs::create_directories(tty);
    fs::create_symlink(device, tty / "device");
  }
  std::string Dev(const std::string& name) const { return (dev_ / name).string(); }

  pulse::test::TempDir temp_{"port-names"};
  fs::path root_ = temp_.Path(), dev_, sys_;
};

TEST_F(FakeTree, ListsPresentPortsInAStableOrderWithWhatSysfsTells) {
  pulse::comm::PortNames names(dev_.string(), sys_.string());
  const std::vector<pulse::comm::PortInfo> ports = names.PresentPorts();
  std::vector<std::string> order;
  for (const auto& port : ports) order.push_back(port.name);
  EXPECT_EQ(order,
            (std::vector<std::string>{"ttyUSB0", "ttyUSB1", "ttyUSB10", "ttyACM0", "ttyS0"}));

  const pulse::comm::PortInfo& ftdi = ports[0];
  EXPECT_EQ(ftdi.path, Dev("ttyUSB0"));
  EXPECT_EQ(ftdi.driver, "ftdi_sio");
  EXPECT_EQ(ftdi.usb_vendor_id, "0403");
  EXPECT_EQ(ftdi.usb_product_id, "6001");
  EXPECT_EQ(ftdi.manufacturer, "FTDI");
  EXPECT_EQ(ftdi.product, "USB Serial");
  EXPECT_EQ(ftdi.SerialNumber, "A1B2C3");
  EXPECT_EQ(ports[1].usb_vendor_id, "");  // its USB device has no descriptors in the fake tree
  EXPECT_EQ(ports[2].driver, "");       // no sysfs entry at all: listed with the name only
  EXPECT_EQ(ports[3].driver, "cdc_acm");
  EXPECT_EQ(ports[3].usb_vendor_id, "2341");
  EXPECT_EQ(ports[3].product, "Sensor");
  EXPECT_EQ(ports[4].driver, "serial");
  EXPECT_EQ(ports[4].usb_vendor_id, "");
}

TEST_F(FakeTree, ResolvesComNamesThroughMappingsAndThenByPosition) {
  pulse::comm::PortNames names(dev_.string(), sys_.string());
  EXPECT_EQ(names.Resolve("COM1"), Dev("ttyUSB0"));
  EXPECT_EQ(names.Resolve("com2"), Dev("ttyUSB1"));
  EXPECT_EQ(names.Resolve("COM4"), Dev("ttyACM0"));
  EXPECT_EQ(names.Resolve("//./COM5"), Dev("ttyS0"));
  EXPECT_EQ(names.Resolve("COM6"), "");
  EXPECT_EQ(names.Resolve("COM0"), "");
  EXPECT_EQ(names.Resolve("LPT1"), "");
  EXPECT_EQ(names.Resolve(""), "");
  EXPECT_EQ(names.Resolve("/dev/ttyAMA0"), "/dev/ttyAMA0");

  ASSERT_TRUE(names.AddMapping("COM3=/dev/ttyS9"));
  ASSERT_TRUE(names.AddMapping(" COM12 = /dev/pts/4 "));
  EXPECT_EQ(names.Resolve("COM3"), "/dev/ttyS9");
  EXPECT_EQ(names.Resolve("//./COM12"), "/dev/pts/4");
  EXPECT_EQ(names.Resolve("COM1"), Dev("ttyUSB0"));  // unmapped names keep their position
  for (const char* bad : {"COM3", "COM=/dev/x", "COM0=/dev/x", "LPT1=/dev/x", "COM2=", "=x"})
    EXPECT_FALSE(names.AddMapping(bad)) << bad;
}

TEST_F(FakeTree, ByIdLinksNameAdaptersAndLeaveTheNumberingAsItWas) {
  const fs::path by_id = dev_ / "serial" / "by-id";
  fs::create_directories(by_id);
  const std::string ftdi_name = "usb-FTDI_USB_Serial_A1B2C3-if00-port0";
  fs::create_symlink("../../ttyUSB0", by_id / ftdi_name);
  // An adapter pulled a moment ago: its link outlives its node for a while.
  fs::create_symlink("../../ttyUSB7", by_id / "usb-Gone_Adapter_X-if00-port0");
  pulse::comm::PortNames names(dev_.string(), sys_.string());

  const std::vector<pulse::comm::PortInfo> ports = names.PresentPorts();
  std::vector<std::string> order;
  for (const auto& port : ports) order.push_back(port.name);
  EXPECT_EQ(order,
            (std::vector<std::string>{"ttyUSB0", "ttyUSB1", "ttyUSB10", "ttyACM0", "ttyS0"}));
  EXPECT_EQ(ports[0].by_id_link, ftdi_name);
  for (size_t i = 1; i < ports.size(); ++i) EXPECT_EQ(ports[i].by_id_link, "") << ports[i].name;

  const std::string link = (by_id / ftdi_name).string();
  EXPECT_EQ(names.ByIdLinkFor(Dev("ttyUSB0")), link);
  EXPECT_EQ(names.ByIdLinkFor(link), link);  // a by-id path leads to itself
  EXPECT_EQ(names.ByIdLinkFor(Dev("ttyS0")), "");
  EXPECT_EQ(names.ByIdLinkFor(Dev("ttyUSB7")), "");  // gone

  // A mapping may name the adapter by its link; the numbers of the others stay.
  ASSERT_TRUE(names.AddMapping("COM3=" + link));
  EXPECT_EQ(names.Resolve("COM3"), link);
  EXPECT_EQ(names.Resolve("COM1"), Dev("ttyUSB0"));
  EXPECT_EQ(names.Resolve("COM4"), Dev("ttyACM0"));
}

TEST(PortNumbers, AcceptsTheWindowsSpellings) {
  EXPECT_EQ(pulse::comm::ComPortNumber("COM2"), 2);
  EXPECT_EQ(pulse::comm::ComPortNumber("//./COM10"), 10);
  EXPECT_EQ(pulse::comm::ComPortNumber("\\\\.\\COM12"), 12);
  EXPECT_EQ(pulse::comm::ComPortNumber("Com7"), 7);
  EXPECT_FALSE(pulse::comm::ComPortNumber("COM"));
  EXPECT_FALSE(pulse::comm::ComPortNumber("COM1x"));
  EXPECT_FALSE(pulse::comm::ComPortNumber("COM-1"));
  EXPECT_FALSE(pulse::comm::ComPortNumber("/dev/ttyUSB0"));
}

TEST(PortNumbers, AMissingDevTreeHasNoPorts) {
  pulse::comm::PortNames names("/nonexistent-dev", "/nonexistent-sys");
  EXPECT_TRUE(names.PresentPorts().empty());
  EXPECT_EQ(names.Resolve("COM1"), "");
}

}  // namespace
