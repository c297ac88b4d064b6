#include "ui/main_form.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QStringList>
#include <QToolButton>
#include <QVBoxLayout>
#include <cstdio>
#include <exception>

#include "ui/player_bar.h"
#include "ui/plot_widget.h"
#include "ui/view_input.h"
#include "ui/print_dialog.h"

namespace pulse::ui {

namespace {

QString Q(const std::string& s) {
  return QString::fromStdString(s);
}

void SyncCommon(QWidget* w, const form::TControl& c) {
  if (w == nullptr) return;
  if (w->isEnabled() != c.Enabled) w->setEnabled(c.Enabled);
  // isHidden() is the widget's own flag, independent of its parents.
  if (w->isHidden() == c.Visible) w->setVisible(c.Visible);
  const QString hint = Q(c.hint);
  if (w->toolTip() != hint) w->setToolTip(hint);
}

void SyncCaption(QAbstractButton* w, const form::TCaptionControl& c) {
  SyncCommon(w, c);
  if (w != nullptr && w->text() != Q(c.Caption)) w->setText(Q(c.Caption));
}

void SyncCaption(QLabel* w, const form::TCaptionControl& c) {
  SyncCommon(w, c);
  if (w != nullptr && w->text() != Q(c.Caption)) w->setText(Q(c.Caption));
}

void SyncCaption(QGroupBox* w, const form::TCaptionControl& c) {
  SyncCommon(w, c);
  if (w != nullptr && w->title() != Q(c.Caption)) w->setTitle(Q(c.Caption));
}

void SyncEdit(QLineEdit* w, const form::TEdit& c) {
  SyncCommon(w, c);
  if (w == nullptr) return;
  const QSignalBlocker block(w);
  if (w->text() != Q(c.text)) w->setText(Q(c.text));
}

void SyncCheck(QCheckBox* w, const form::TCheckBox& c) {
  SyncCommon(w, c);
  if (w == nullptr) return;
  const QSignalBlocker block(w);
  if (w->isChecked() != c.checked) w->setChecked(c.checked);
}

void SyncCombo(QComboBox* w, const form::TComboBox& c) {
  SyncCommon(w, c);
  if (w == nullptr) return;
  const QSignalBlocker block(w);
  if (c.item_index >= 0 && c.item_index < w->count()) {
    if (w->currentIndex() != c.item_index) w->setCurrentIndex(c.item_index);
  } else if (w->isEditable() && w->currentText() != Q(c.text)) {
    w->setEditText(Q(c.text));
  }
}

void SyncAction(QAction* a, const form::TCaptionControl& c) {
  if (a == nullptr) return;
  if (a->isEnabled() != c.Enabled) a->setEnabled(c.Enabled);
  if (a->text() != Q(c.Caption)) a->setText(Q(c.Caption));
}

}  // namespace

MainForm::MainForm(window::FormOptions options, TMFPrintDlg* print_dialog)
    : window_(std::make_unique<MainWindow>()),
      plots_(window::MakeViewPlotSets()),
      print_dialog_(print_dialog) {
  for (int k = 0; k < form::kViewCount; ++k) {
    auto* widget = new PlotWidget(&Plot(k));
    widget->setObjectName(QStringLiteral("XYPlot%1").arg(k + 1));
    window_->ReplacePlot(k, widget);
    plot_widgets_[static_cast<size_t>(k)] = widget;
    beat_marks_[static_cast<size_t>(k)] = std::make_unique<window::PlotBeatMarks>(Plot(k));
    cursor_marks_[static_cast<size_t>(k)] = std::make_unique<window::PlotCursorMarks>(Plot(k));
  }
  form_ = std::make_unique<window::TForm1>(*this, queue_, window::ViewsOf(plots_),
                                           std::move(options));
  form_->Analysis().SetMarks({beat_marks_[0].get(), beat_marks_[1].get(), beat_marks_[2].get()});
  form_->Cursors().SetMarks(
      {cursor_marks_[0].get(), cursor_marks_[1].get(), cursor_marks_[2].get()});
  // The player bar goes between the views and the control strip, which keep their places.
  auto handle = [this](const std::function<void()>& h) { Handle(h); };
  player_bar_ = new PlayerBar(form_->Player(), form_->Cursors(), handle);
  if (auto* column = qobject_cast<QVBoxLayout*>(window_->centralWidget()->layout()))
    column->insertWidget(1, player_bar_, 0);
  view_input_ = new ViewInput(*window_, {plot_widgets_[0], plot_widgets_[1], plot_widgets_[2]},
                              form_->Player(), form_->Cursors(), handle);
  queue_.SetAfterBatch([this] { ScheduleSync(); });

  sync_timer_.setSingleShot(true);
  sync_timer_.setInterval(kSyncIntervalMs);
  connect(&sync_timer_, &QTimer::timeout, this, [this] { Sync(); });
  connect(&timer1_, &QTimer::timeout, this, [this] { Handle([this] { form_->Timer1Timer(); }); });

  Bind();
  form_->FormCreate();
  timer1_.start(form_->TimerInterval());
  window_->Widgets().view_area->installEventFilter(this);
  Sync();
}

MainForm::~MainForm() {
  timer1_.stop();
  sync_timer_.stop();
  // The link closes before the plots and widgets it draws into go away, and
  // the plot widgets before the plots they show.
  window_->Widgets().view_area->removeEventFilter(this);
  form_.reset();
  window_.reset();
}

void MainForm::Handle(const std::function<void()>& handler) {
  try {
    handler();
  } catch (const std::exception& e) {
    ShowError(e.what());
  }
  ScheduleSync();
}

void MainForm::ScheduleSync() {
  if (!sync_timer_.isActive()) sync_timer_.start();
}

void MainForm::Bind() {
  const MainWindowWidgets& w = window_->Widgets();
  window::TForm1* f = form_.get();
  window::WaveViews* v = &form_->Views();
  form::TMainControls* c = &form_->Controls();
  auto click = [this](QAbstractButton* b, std::function<void()> h) {
    if (b != nullptr) connect(b, &QAbstractButton::clicked, this, [this, h] { Handle(h); });
  };

  click(w.Bt_open, [f] { f->Bt_openClick(); });
  click(w.bt_start, [f] { f->bt_startClick(); });
  click(w.Button2, [f] { f->Button2Click(); });
  click(w.Button4, [f] { f->Button4Click(); });
  click(w.Button6, [f] { f->Button6Click(); });
  click(w.Button7, [f] { f->Button7Click(); });
  click(w.Button8, [f] { f->Button8Click(); });
  click(w.Button9, [f] { f->Button9Click(); });
  click(w.Button20, [f] { f->Button20Click(); });
  click(w.Button18, [f] { f->Button18Click(); });
  click(w.Button19, [f] { f->Button19Click(); });
  click(w.session_button, [f] { f->SessionClick(); });
  using ExportKind = window::ExportSource::Kind;
  auto entry = [this, f](QAction* a, ExportKind kind) {
    connect(a, &QAction::triggered, this, [this, f, kind] { Handle([f, kind] { f->ExportClick(kind); }); });
  };
  entry(w.export_current, ExportKind::kCurrentRecord);
  entry(w.export_loaded, ExportKind::kLoadedRecord);
  entry(w.export_session, ExportKind::kSession);
  click(w.Button1, [v] { v->Button1Click(); });
  click(w.Button3, [v] { v->Button3Click(); });
  click(w.Bt_ZoomX1, [v] { v->Bt_ZoomX1Click(); });
  click(w.Bt_ZoomX2, [v] { v->Bt_ZoomX2Click(); });
  click(w.SpeedButton1, [v] { v->SpeedButton1Click(); });

  for (int k = 0; k < form::kViewCount; ++k) {
    const ViewRowWidgets& row = w.views[static_cast<size_t>(k)];
    const int view = k + 1;
    click(row.zoom_in, [v, view] { v->Bt_ZoomY2Click(view); });
    click(row.zoom_out, [v, view] { v->Bt_ZoomY1Click(view); });
    click(row.print, [this, k] { PrintView(k); });
    plot::Tsp_XYPlot& plot = Plot(k);
    plot.OnDblClick = [this, v, view](plot::Tsp_XYPlot&) {
      Handle([v, view] { v->XYPlotDblClick(view); });
    };
    plot.OnMouseUp = [this, v, view](plot::Tsp_XYPlot&, plot::TMouseButton, plot::TShiftState,
                                     int x, int y) {
      Handle([v, view, x, y] { v->XYPlotMouseUp(view, x, y); });
    };
  }

  // Edits and lists write their model first, then run the change handler.
  connect(w.e_comm, &QComboBox::currentTextChanged, this, [this, c, f](const QString& text) {
    c->e_comm.text = text.toStdString();
    c->e_comm.item_index = window_->Widgets().e_comm->findText(text);
    Handle([f] { f->e_commChange(); });
  });
  connect(w.e_btl, &QComboBox::currentTextChanged, this, [this, c](const QString& text) {
    c->e_btl.text = text.toStdString();
    c->e_btl.item_index = window_->Widgets().e_btl->findText(text);
  });
  connect(w.cb_unit1, &QComboBox::currentIndexChanged, this, [this, c, v](int index) {
    c->cb_unit1.Select(index);
    Handle([v] { v->cb_unit1Change(); });
  });
  connect(w.ch_jy, &QCheckBox::toggled, this, [this, c, v](bool on) {
    c->ch_jy.checked = on;
    Handle([v] { v->ch_jyClick(); });
  });
  window::LiveAnalysis* analysis = &form_->Analysis();
  connect(w.show_beats, &QCheckBox::toggled, this, [this, analysis](bool on) {
    analysis->show_beats.checked = on;
    Handle([analysis] { analysis->ShowBeatsClick(); });
  });
  connect(w.CheckBox1, &QCheckBox::toggled, this, [c](bool on) { c->CheckBox1.checked = on; });
  window::ReconnectControl* reconnect = &form_->Reconnect();
  connect(w.reconnect, &QCheckBox::toggled, this, [this, reconnect, f](bool on) {
    reconnect->auto_reconnect.checked = on;
    Handle([f] { f->ReconnectClick(); });
  });
  connect(w.Edit_Freq, &QLineEdit::textChanged, this,
          [c](const QString& text) { c->Edit_Freq.text = text.toStdString(); });
}

bool MainForm::eventFilter(QObject* watched, QEvent* event) {
  if (window_ && form_ && watched == window_->Widgets().view_area &&
      event->type() == QEvent::Resize) {
    const MainWindowWidgets& w = window_->Widgets();
    const int rows = w.view_area->height() - (w.time_strip ? w.time_strip->height() : 0);
    Handle([this, rows] { form_->Views().FormResize(rows); });
  }
  return QObject::eventFilter(watched, event);
}

void MainForm::PrintView(int view) {
  if (print_dialog_ == nullptr) return;
  Handle([this, view] { print_dialog_->PrintPlot(Plot(view)); });
}

void MainForm::Sync() {
  if (syncing_) return;
  syncing_ = true;
  const MainWindowWidgets& w = window_->Widgets();
  const form::TMainControls& c = form_->Controls();
  player_bar_->Sync();

  if (window_->windowTitle() != Q(c.Caption) && !c.Caption.empty())
    window_->setWindowTitle(Q(c.Caption));

  const std::array<const form::TPanel*, form::kViewCount> rows = {&c.P_01, &c.P_02, &c.P_03};
  const std::array<const form::TButton*, form::kViewCount> zin = {&c.Bt_ZoomY2, &c.Bt_ZoomY22,
                                                                  &c.Bt_ZoomY222};
  const std::array<const form::TButton*, form::kViewCount> zout = {&c.Bt_ZoomY1, &c.Bt_ZoomY11,
                                                                   &c.Bt_ZoomY111};
  const std::array<const form::TGroupBox*, form::kViewCount> boxes = {
      &c.GroupBox_jy1, &c.GroupBox_jy2, &c.GroupBox_jy3};
  const std::array<const form::TPanel*, form::kViewCount> readouts = {&c.P_jy1, &c.P_jy2, &c.P_jy3};
  const std::array<const form::TSpeedButton*, form::kViewCount> prints = {
      &c.SpeedButton2, &c.SpeedButton3, &c.SpeedButton4};
  const std::array<const form::TPanel*, form::kViewCount> zeros = {&c.Panel10, &c.Panel11,
                                                                   &c.Panel12};
  for (size_t k = 0; k < rows.size(); ++k) {
    const ViewRowWidgets& row = w.views[k];
    SyncCommon(row.row, *rows[k]);
    SyncCaption(row.zoom_in, *zin[k]);
    SyncCaption(row.zoom_out, *zout[k]);
    SyncCaption(row.box, *boxes[k]);
    SyncCaption(row.readout, *readouts[k]);
    SyncCaption(row.print, *prints[k]);
    SyncCaption(row.zero_panel, *zeros[k]);
  }
  SyncCombo(w.views[1].unit_list, c.cb_unit2);
  SyncCombo(w.views[2].unit_list, c.cb_unit3);
  SyncCaption(w.pulse_caption, c.Label_pulse);
  SyncCheck(w.ch_jy, c.ch_jy);
  SyncCaption(w.Button3, c.Button3);
  SyncCaption(w.Bt_ZoomX1, c.Bt_ZoomX1);
  SyncCaption(w.Bt_ZoomX2, c.Bt_ZoomX2);
  SyncCaption(w.Button1, c.Button1);
  SyncCaption(w.SpeedButton1, c.SpeedButton1);

  SyncCaption(w.device_box, c.GroupBox1);
  SyncCombo(w.e_comm, c.e_comm);
  SyncCombo(w.e_btl, c.e_btl);
  SyncCaption(w.Bt_open, c.Bt_open);
  SyncCaption(w.bt_start, c.bt_start);
  SyncCaption(w.Button2, c.Button2);
  SyncCaption(w.Button4, c.Button4);
  SyncCaption(w.Button9, c.Button9);
  SyncCheck(w.reconnect, form_->Reconnect().auto_reconnect);
  SyncCaption(w.GroupBox2, c.GroupBox2);
  SyncCombo(w.cb_unit1, c.cb_unit1);
  SyncEdit(w.Edit_Freq, c.Edit_Freq);
  SyncCaption(w.Button6, c.Button6);
  SyncCaption(w.Button7, c.Button7);
  SyncCaption(w.Button8, c.Button8);
  SyncEdit(w.Edit_date, c.Edit_date);
  SyncEdit(w.Edit_sn, c.Edit_sn);

  SyncCaption(w.Label10, c.Label10);
  SyncCaption(w.Label_cnt, c.Label_cnt);
  SyncCheck(w.CheckBox1, c.CheckBox1);
  SyncCaption(w.Button20, c.Button20);
  SyncCaption(w.Button18, c.Button18);
  SyncCaption(w.Button19, c.Button19);
  const window::SessionControl& session = form_->Session();
  SyncCaption(w.session_button, session.button);
  SyncCaption(w.session_info, session.info);
  const window::ExportControl& exports = form_->Export();
  SyncCaption(w.export_button, exports.button);
  SyncAction(w.export_current, exports.current_record);
  SyncAction(w.export_loaded, exports.loaded_record);
  SyncAction(w.export_session, exports.session);
  SyncMemo();
  pulse_readouts_.Sync(w, form_->Analysis());

  for (size_t i = 0; i < w.status_panels.size(); ++i) {
    QLabel* panel = w.status_panels[i];
    const QString text = Q(c.StatusBar1.panels[i].text);
    if (panel != nullptr && panel->text() != text) panel->setText(text);
  }
  syncing_ = false;
}

void MainForm::SyncMemo() {
  const form::TMemoLines& lines = form_->Controls().Memo1.lines;
  QPlainTextEdit* memo = window_->Widgets().Memo1;
  if (memo == nullptr || lines.Revision() == memo_revision_) return;
  if (lines.ResetRevision() != memo_reset_revision_ || lines.Count() < memo_count_) {
    QStringList all;
    all.reserve(lines.Count());
    for (const std::string& line : lines.Items()) all << Q(line);
    memo->setPlainText(all.join('\n'));
    memo_count_ = lines.Count();
  }
  for (; memo_count_ < lines.Count(); ++memo_count_) memo->appendPlainText(Q(lines[memo_count_]));
  memo_revision_ = lines.Revision();
  memo_reset_revision_ = lines.ResetRevision();
}

void MainForm::ShowMessage(const std::string& text) {
  if (headless_) {
    if (box_text_) {
      box_text_(false, text);
    } else {
      std::fprintf(stderr, "%s\n", text.c_str());
    }
    return;
  }
  QMessageBox::information(window_.get(), QString(), Q(text));
}

void MainForm::ShowError(const std::string& text) {
  if (headless_) {
    if (box_text_) {
      box_text_(true, text);
    } else {
      std::fprintf(stderr, "error: %s\n", text.c_str());
    }
    return;
  }
  QMessageBox::critical(window_.get(), QString(), Q(text));
}

QString MainForm::QtFilter(const std::string& filter) {
  const QStringList parts = Q(filter).split('|');
  QStringList out;
  for (int i = 0; i + 1 < parts.size(); i += 2) out << parts[i] + " (" + parts[i + 1] + ")";
  return out.join(";;");
}

std::optional<std::string> MainForm::AskSaveFileName(const std::string& default_name,
                                                     const std::string& filter) {
  if (scripted_save_) return scripted_save_;
  const QString name =
      QFileDialog::getSaveFileName(window_.get(), QString(), Q(default_name), QtFilter(filter));
  if (name.isEmpty()) return std::nullopt;
  return name.toStdString();
}

QString MainForm::WithFilterExtension(const QString& name, const std::string& filter,
                                     const QString& selected_filter) {
  const QStringList parts = Q(filter).split('|');
  QString wanted;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    const QString ext = parts[i + 1].mid(1);  // "*.csv" -> ".csv"
    if (name.endsWith(ext, Qt::CaseInsensitive)) return name;
    if (wanted.isEmpty() || selected_filter == parts[i] + " (" + parts[i + 1] + ")") wanted = ext;
  }
  return name + wanted;
}

std::optional<std::string> MainForm::AskExportFileName(const std::string& default_name,
                                                       const std::string& filter) {
  if (scripted_save_) return scripted_save_;
  QString selected;
  const QString name = QFileDialog::getSaveFileName(window_.get(), QString(), Q(default_name),
                                                    QtFilter(filter), &selected);
  if (name.isEmpty()) return std::nullopt;
  return WithFilterExtension(name, filter, selected).toStdString();
}

std::optional<std::string> MainForm::AskOpenFileName(const std::string& filter) {
  if (scripted_open_) return scripted_open_;
  const QString name =
      QFileDialog::getOpenFileName(window_.get(), QString(), QString(), QtFilter(filter));
  if (name.isEmpty()) return std::nullopt;
  return name.toStdString();
}

void MainForm::SetTimerInterval(int ms) {
  timer1_.setInterval(ms);
}

void MainForm::RunAfter(int ms, std::function<void()> step) {
  QTimer::singleShot(ms, this, [this, step = std::move(step)] { Handle(step); });
}

void MainForm::CloseWindow() {
  window_->close();
}

}  // namespace pulse::ui
