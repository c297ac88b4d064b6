#include "app/program_runs.h"

#include <QDateTime>
#include <QGuiApplication>
#include <QScreen>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "app/headless_run.h"
#include "app/messages.h"
#include "app/player_snapshot.h"
#include "tools/virtual-sensor/virtual_sensor.h"
#include "ui/main_form.h"
#include "ui/main_window.h"
#include "ui/print_dialog.h"
#include "window/recording.h"

namespace pulse::app {
namespace {

void Fail(const QString& message) {
  Say(MessageKind::kError, message.toLocal8Bit().toStdString());
}

// What the form's ports lead to.
struct Devices {
  std::unique_ptr<vsensor::VirtualSensor> sensor;
  window::FormOptions form_options;
  QString port_text;  // the port number a scripted run opens
};

// The demo sensor plays the device on a pseudo-terminal mapped to COM1; a picture made
// without a device or a file to replay brings it too. Nothing (after saying why) when the
// sensor cannot start.
std::optional<Devices> SetUpDevices(const Options& opt) {
  Devices d;
  if (opt.demo || (!opt.snapshot.isEmpty() && opt.replay.isEmpty() && opt.ports.isEmpty())) {
    vsensor::Options so;
    so.seed = static_cast<std::uint64_t>(QDateTime::currentMSecsSinceEpoch());
    d.sensor = std::make_unique<vsensor::VirtualSensor>(so);
    try {
      d.sensor->Start();
    } catch (const std::exception& e) {
      Fail(QStringLiteral("cannot start the virtual sensor: %1").arg(e.what()));
      return std::nullopt;
    }
    d.form_options.port_mappings.push_back("COM1=" + d.sensor->SlavePath());
    d.port_text = QStringLiteral("1");
  }
  for (const QString& p : opt.ports) {
    d.form_options.port_mappings.push_back(p.toStdString());
    if (d.port_text.isEmpty()) d.port_text = p.section('=', 0, 0).mid(3);
  }
  return d;
}

}  // namespace

int RunWindow(QApplication& app, const Options& opt) {
  std::optional<Devices> devices = SetUpDevices(opt);
  if (!devices) return 1;
  // The print dialog is made once and keeps its state between prints.
  ui::TMFPrintDlg print_dialog;
  ui::MainForm main_form(devices->form_options, &print_dialog);
  ui::MainWindow& window = main_form.Window();
  if (opt.demo) main_form.Form().Controls().e_comm.text = "1";

  main_form.Sync();
  // Centred first, so that leaving the maximised state lands in the middle.
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect frame = window.frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window.move(frame.topLeft());
  }
  window.showMaximized();
  return app.exec();
}

int RunHeadless(QApplication& app, const Options& opt) {
  std::optional<Devices> devices = SetUpDevices(opt);
  if (!devices) return 1;
  // A scripted run reconnects only when told to, and never stores the window's switch.
  devices->form_options.reconnect = opt.reconnect;
  ui::TMFPrintDlg print_dialog;
  ui::MainForm main_form(devices->form_options, &print_dialog);
  ui::MainWindow& window = main_form.Window();
  main_form.SetHeadless(true);
  main_form.SetHeadlessBoxText([](bool error, const std::string& text) {
    Say(error ? MessageKind::kDialogError : MessageKind::kDialog, text);
  });

  if (opt.at) {
    const std::optional<double> at_seconds = ParseAtSeconds(*opt.at);
    if (!at_seconds) return 1;
    std::optional<std::pair<double, double>> cursor_times;
    if (opt.cursors) {
      cursor_times = ParseCursorTimes(*opt.cursors);
      if (!cursor_times) return 1;
    }
    return SnapshotAt(main_form, opt.replay, *at_seconds, opt.snapshot, cursor_times);
  }
  // Design size, no maximising: the picture shows the layout as drawn.
  window.resize(ui::MainWindow::kDesignWidth, ui::MainWindow::kDesignHeight);
  window.show();
  HeadlessRun run(main_form, devices->port_text.toStdString(), opt.seconds);
  run.replay_file = opt.replay.toStdString();
  run.session_file = opt.session.toStdString();
  run.reconnect = opt.reconnect;
  run.reconnect_timeout_s = opt.reconnect_timeout_s;
  // With a session, the picture shows it running.
  run.done_before_stop = !opt.snapshot.isEmpty() && !opt.session.isEmpty();
  if (!opt.snapshot.isEmpty()) {
    run.on_done = [&] {
      main_form.Sync();
      if (!window.grab().save(opt.snapshot, "PNG")) {
        Fail(QStringLiteral("cannot write %1").arg(opt.snapshot));
        return 1;
      }
      return 0;
    };
  } else if (!opt.session.isEmpty()) {
    // The session is the whole job.
  } else {
    run.record = true;
    run.on_done = [&] {
      try {
        window::WriteTextLines(opt.record.toStdString(), main_form.Form().State().RecordList);
      } catch (const std::exception& e) {
        Fail(QString::fromStdString(e.what()));
        return 1;
      }
      return 0;
    };
  }
  run.Start();
  app.exec();
  if (opt.stats) {
    const protocol::FrameParser& counts = main_form.Form().Parser();
    Say(MessageKind::kResult, Format("frames: good %llu, bad %llu, bytes %llu",
                                     static_cast<unsigned long long>(counts.GoodDataFrames()),
                                     static_cast<unsigned long long>(counts.BadDataFrames()),
                                     static_cast<unsigned long long>(counts.BytesReceived())));
  }
  return run.ExitCode();
}

}  // namespace pulse::app
