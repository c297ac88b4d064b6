#include "app/headless_run.h"

#include <QCoreApplication>
#include <cstdio>

void HeadlessRun::Start() {
  pulse::window::TForm1& f = form_.Form();
  if (!ReplayFile.empty()) {
    form_.SetScriptedOpenName(ReplayFile);
    f.Button18Click();
    f.Button19Click();
    // A name that did not exist is created empty by the load: nothing to show either.
    if (!f.State().Replaying || f.State().ReplayList->empty()) {
      std::fprintf(stderr, "pulse3ch: nothing to replay in %s\n", ReplayFile.c_str());
      QTimer::singleShot(0, this, [this] { Finish(1); });
      return;
    }
    step_ = Step::kSampling;
    clock_.start();
    connect(&poll_, &QTimer::timeout, this, [this] { Poll(); });
    poll_.start(kPollMs);
    return;
  }
  if (!port_.empty()) f.Controls().e_comm.Text = port_;
  f.Bt_openClick();
  if (!f.State().PortOpen) {
    std::fprintf(stderr, "pulse3ch: %s\n", f.Controls().StatusBar1.Panels[0].Text.c_str());
    // Let the window finish the open's timed step, then leave.
    QTimer::singleShot(0, this, [this] { Finish(1); });
    return;
  }
  clock_.start();
  connect(&poll_, &QTimer::timeout, this, [this] { Poll(); });
  poll_.start(kPollMs);
}

void HeadlessRun::Poll() {
  pulse::window::TForm1& f = form_.Form();
  if (ReplayFile.empty() && !f.State().PortOpen) {  // the device went away
    std::fprintf(stderr, "pulse3ch: the device went away (%s)\n",
                 f.Controls().StatusBar1.Panels[0].Text.c_str());
    // What was recorded up to then is still worth keeping; the run failed all the same.
    if (Record && (step_ == Step::kSampling || step_ == Step::kStopping) && OnDone) {
      std::fprintf(stderr, "pulse3ch: saving what was recorded\n");
      OnDone();
    }
    Finish(1);
    return;
  }
  switch (step_) {
    case Step::kWaitStopAfterOpen:
      if (f.StopAfterOpenSent()) {
        if (Record) f.Controls().CheckBox1.Checked = true;
        frames_before_start_ = DataFrames();
        f.bt_startClick();
        // A record run counts its seconds from the first data frame.
        step_ = Record ? Step::kStarting : Step::kSampling;
        clock_.restart();
      } else if (clock_.elapsed() > kOpenTimeoutMs) {
        std::fprintf(stderr, "pulse3ch: the device did not get ready\n");
        Finish(1);
      }
      break;
    case Step::kStarting:
      if (DataFrames() != frames_before_start_) {
        step_ = Step::kSampling;
        clock_.restart();
      } else if (clock_.elapsed() > kFirstDataTimeoutMs) {
        std::fprintf(stderr,
                     "pulse3ch: the device sent no data after the start of sampling (start not "
                     "acknowledged?); nothing was recorded\n");
        Finish(1);
      }
      break;
    case Step::kSampling:
      if (clock_.elapsed() >= static_cast<qint64>(seconds_ * 1000)) {
        if (!Record) {
          Finish(OnDone ? OnDone() : 0);
          return;
        }
        f.bt_startClick();  // stop; the timer repeats it until acknowledged
        step_ = Step::kStopping;
        clock_.restart();
      }
      break;
    case Step::kStopping:
      if (!f.State().StopPending || clock_.elapsed() > kStopAckTimeoutMs) {
        if (f.State().StopPending)
          std::fprintf(stderr, "pulse3ch: no stop acknowledgement; saving what was recorded\n");
        Finish(OnDone ? OnDone() : 0);
      }
      break;
  }
}

uint64_t HeadlessRun::DataFrames() {
  const ::protocol::FrameParser& parser = form_.Form().Parser();
  return parser.GoodDataFrames() + parser.BadDataFrames();
}

void HeadlessRun::Finish(int code) {
  poll_.stop();
  exit_code_ = code;
  pulse::window::TForm1& f = form_.Form();
  if (f.State().PortOpen) f.Bt_openClick();
  QCoreApplication::quit();
}
