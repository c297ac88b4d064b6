// Every control of the main window, by the name the window logic uses, with
// its texts, visibility and enabled state as the window starts up.
#pragma once

#include <string>

#include "form/controls.h"

namespace pulse::form {

// View rows of the window, one per sensor channel.
constexpr int kViewCount = 3;

struct TMainControls {
  TMainControls();

  std::string Caption;  // window title

  // View area: three rows, each with its value zoom buttons, read-out group
  // and print button; the zero-value panels lie over the plots.
  TPanel P_01, P_02, P_03;
  TButton Bt_ZoomY2, Bt_ZoomY1;      // row 1: value "+" / "-"
  TButton Bt_ZoomY22, Bt_ZoomY11;    // row 2
  TButton Bt_ZoomY222, Bt_ZoomY111;  // row 3
  TLabel Label_pulse;                // vertical caption of row 1
  TGroupBox GroupBox_jy1, GroupBox_jy2, GroupBox_jy3;
  TPanel P_jy1, P_jy2, P_jy3;                             // static pressure read-outs
  TSpeedButton SpeedButton2, SpeedButton3, SpeedButton4;  // print view 1..3
  TCheckBox ch_jy;                                        // view 1 plots the static value
  TPanel Panel10, Panel11, Panel12;                       // zero values of views 1..3

  // Time strip under the views.
  TPanel P_time;
  TButton Button3;            // "<-"
  TButton Bt_ZoomX1;          // time "-"
  TButton Bt_ZoomX2;          // time "+"
  TButton Button1;            // "->"
  TSpeedButton SpeedButton1;  // reset the views

  // Control strip.
  TPanel p_bb;
  TGroupBox GroupBox1;  // device operation
  TLabel Label1;        // "串口号"
  TComboBox e_comm;
  TLabel Label2;  // "波特率"
  TComboBox e_btl;
  TLabel Label3;  // data bits, hidden
  TEdit Edit_bits;
  TButton Bt_open, bt_start, Button2, Button4, Button9;

  TGroupBox GroupBox2;  // sampling settings, enabled while the port is open
  TLabel Label4;        // "单位:"
  TComboBox cb_unit1, cb_unit2, cb_unit3;
  TLabel Label5;  // "频率:"
  TEdit Edit_Freq;
  TButton Button6, Button7, Button8;
  TEdit Edit_date, Edit_sn;

  // Record panel.
  TPanel P_record;
  TLabel Label10;    // SampleCount1
  TLabel Label_cnt;  // checksum failures
  TCheckBox CheckBox1;
  TButton Button20, Button18, Button19;
  TMemo Memo1;

  TStatusBar StatusBar1;
};

}  // namespace pulse::form
