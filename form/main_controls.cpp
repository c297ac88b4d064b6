#include "form/main_controls.h"

#include <string>
#include <utility>

#include "form/tr.h"

namespace pulse::form {

namespace {

TCaptionControl Captioned(std::string caption, std::string hint = "") {
  TCaptionControl c;
  c.Caption = std::move(caption);
  c.hint = std::move(hint);
  return c;
}

TCaptionControl Hidden(TCaptionControl c) {
  c.Visible = false;
  return c;
}

TEdit Edit(const char* text, bool read_only, bool visible) {
  TEdit e;
  e.text = text;
  e.read_only = read_only;
  e.Visible = visible;
  return e;
}

TCheckBox CheckBox(std::string caption) {
  TCheckBox c;
  c.Caption = std::move(caption);
  return c;
}

TComboBox UnitList(std::string first_entry) {
  TComboBox c;
  c.items = {std::move(first_entry), Tr("MainControls", "毫巴"), Tr("MainControls", "毫米汞柱"),
             Tr("MainControls", "毫米水柱")};
  c.Select(3);  // millimetres of water, the start-up unit
  return c;
}

constexpr int kPortCount = 30;
constexpr int kPortListVisible = 10;

}  // namespace

TMainControls::TMainControls() {
  Caption = Tr("MainControls", "三通道脉象传感器演示 （T20190923）");

  Bt_ZoomY2 = Bt_ZoomY22 = Bt_ZoomY222 = Captioned("+", Tr("MainControls", "放大"));
  Bt_ZoomY1 = Bt_ZoomY11 = Bt_ZoomY111 = Captioned("-", Tr("MainControls", "缩小"));
  Label_pulse = Captioned(Tr("MainControls", "脉\n搏"));
  GroupBox_jy1 = Captioned(Tr("MainControls", "通道1静态压力"));
  GroupBox_jy2 = Captioned(Tr("MainControls", "通道2静态压力"));
  GroupBox_jy3 = Captioned(Tr("MainControls", "通道3静态压力"));
  P_jy1 = P_jy2 = P_jy3 = Captioned("0");
  ch_jy = CheckBox(Tr("MainControls", "静态压力曲线"));
  Panel10 = Panel11 = Panel12 = Captioned(Tr("MainControls", "零点值:"));

  P_time = Captioned(Tr("MainControls", "时间  单位 秒"));
  Button3 = Captioned("<-", Tr("MainControls", "向左移"));
  Bt_ZoomX1 = Captioned("-", Tr("MainControls", "缩小"));
  Bt_ZoomX2 = Captioned("+", Tr("MainControls", "放大"));
  Button1 = Captioned("->", Tr("MainControls", "向右移"));
  SpeedButton1 = Captioned("", Tr("MainControls", "波形图复位"));

  GroupBox1 = Captioned(Tr("MainControls", "设备操作"));
  Label1 = Captioned(Tr("MainControls", "串口号"));
  for (int i = 1; i <= kPortCount; ++i) e_comm.items.push_back(std::to_string(i));
  e_comm.drop_down_count = kPortListVisible;
  e_comm.Select(0);
  Label2 = Captioned(Tr("MainControls", "波特率"));
  e_btl.items = {"38400", "115200", "256000"};
  e_btl.Select(2);
  Label3 = Hidden(Captioned(Tr("MainControls", "数据位")));
  Edit_bits = Edit("8", false, false);
  Bt_open = Captioned(Tr("MainControls", "打开设备"));
  bt_start = Captioned(Tr("MainControls", "开始采样"));
  bt_start.Enabled = false;
  Button2 = Captioned(Tr("MainControls", "校零"));
  Button4 = Captioned(Tr("MainControls", "零点值"));
  Button9 = Captioned(Tr("MainControls", "退出"));

  GroupBox2 = Captioned(Tr("MainControls", "采样设置"));
  GroupBox2.Enabled = false;
  Label4 = Captioned(Tr("MainControls", "单位:"));
  cb_unit1 = UnitList(Tr("MainControls", "千帕"));
  cb_unit2 = UnitList(Tr("MainControls", "帕"));
  cb_unit3 = UnitList(Tr("MainControls", "帕"));
  cb_unit2.Visible = cb_unit3.Visible = false;
  Label5 = Hidden(Captioned(Tr("MainControls", "频率:")));
  Edit_Freq = Edit("200", false, false);
  Button6 = Hidden(Captioned(Tr("MainControls", "设置频率")));
  Button7 = Hidden(Captioned(Tr("MainControls", "生产日期")));
  Button8 = Hidden(Captioned(Tr("MainControls", "读序列号")));
  Edit_date = Edit("", true, false);
  Edit_sn = Edit("", true, false);

  Label10 = Captioned("0");
  Label_cnt = Captioned("0");
  CheckBox1 = CheckBox(Tr("MainControls", "记录数据"));
  Button20 = Captioned(Tr("MainControls", "保存"));
  Button18 = Captioned(Tr("MainControls", "载入"));
  Button19 = Captioned(Tr("MainControls", "模拟"));
  Memo1.read_only = true;

  StatusBar1.Panel(StatusPanel::kClock).centered = true;
}

}  // namespace pulse::form
