#include "plot/axis.h"

#include <algorithm>

#include "plot/property_store.h"

namespace pulse::plot {

namespace {

// A caption of spaces and control characters only is not drawn.
bool HasVisibleChar(const std::string& s) {
  return std::any_of(s.begin(), s.end(),
                     [](char c) { return static_cast<unsigned char>(c) > ' '; });
}

}  // namespace

Tsp_Axis::Tsp_Axis(std::uint32_t flags) : Tsp_Scale(flags) {
  grid_attr_.SetColor(plot::kGridColor);
  grid_attr_.SetVisible(false);
  // The axis line changes the layout; the grid lies only in the field.
  LineAttr().SetOnChange([this](Tsp_CustomLineAttr&) { RequestFull(); });
  grid_attr_.SetOnChange([this](Tsp_CustomLineAttr&) {
    if (owner_) owner_->InvalidateParts(Part::kField);
  });
}

Tsp_Axis::~Tsp_Axis() {
  LineAttr().SetOnChange(nullptr);
  grid_attr_.SetOnChange(nullptr);
}

void Tsp_Axis::RequestFull() {
  if (owner_) owner_->Invalidate();
}

void Tsp_Axis::SetMargin(int value) {
  if (value == margin_) return;
  margin_ = value;
  RequestFull();
}

void Tsp_Axis::SetCaption(const std::string& value) {
  if (value == caption_) return;
  caption_ = value;
  caption_shown_ = HasVisibleChar(caption_);
  RequestFull();
}

void Tsp_Axis::SetMin(double value) {
  SetFlagsRaw(Flags() & ~plot::scale_flags::kAutoMin);
  ForgetRange();
  if (value == Min()) return;
  SetRange(Max(), value);
  RequestFull();
}

void Tsp_Axis::SetMax(double value) {
  SetFlagsRaw(Flags() & ~plot::scale_flags::kAutoMax);
  ForgetRange();
  if (value == Max()) return;
  SetRange(value, Min());
  RequestFull();
}

void Tsp_Axis::SetTicksCount(int value) {
  value = std::clamp(value, 0, plot::kMaxTicks);
  if (value == RequestedTicksCount()) return;
  SetRequestedTicksRaw(value);
  RecalcTicks();
  RequestFull();
}

void Tsp_Axis::SetLabelFormat(const std::string& value) {
  if (value == LabelFormat()) return;
  SetLabelFormatRaw(value);
  RequestFull();
}

void Tsp_Axis::SetLineAttr(const Tsp_LineAttr& value) {
  if (!LineAttr().IsSame(value)) LineAttr().Assign(value);
}

void Tsp_Axis::SetGridAttr(const Tsp_LineAttr& value) {
  if (!grid_attr_.IsSame(value)) grid_attr_.Assign(value);
}

void Tsp_Axis::FlagChanged(int index) {
  switch (index) {
    case plot::flag_index::kInversed:
      RecalcMapping();
      RecalcTicks();
      RequestFull();
      break;
    case plot::flag_index::kNoTickLines:
    case plot::flag_index::kNoTicksLabel:
    case plot::flag_index::kNotAdjusted:
      RecalcTicks();
      RequestFull();
      break;
    case plot::flag_index::kAutoMin:
    case plot::flag_index::kAutoMax:
      if (owner_ && owner_->AutoScale(*this)) RequestFull();
      break;
    default:
      RequestFull();
  }
}

void Tsp_Axis::SetMinMax(double min, double max) {
  if (min != Min() || max != Max()) SetRange(min, max);
  SetFlagsRaw(Flags() & ~(plot::scale_flags::kAutoMin | plot::scale_flags::kAutoMax));
  ForgetRange();
  RequestFull();
}

void Tsp_Axis::MoveRange(double dv) {
  ScrollByValue(dv);
  SetFlagsRaw(Flags() & ~(plot::scale_flags::kAutoMin | plot::scale_flags::kAutoMax));
  ForgetRange();
  if (owner_) owner_->InvalidateParts(Part::kFrame | Part::kField);
}

void Tsp_Axis::RememberRange() {
  if (remembered_) return;
  remembered_min_ = Min();
  remembered_max_ = Max();
  remembered_ = true;
}

void Tsp_Axis::RestoreRange() {
  if (!remembered_) return;
  SetRange(remembered_min_, remembered_max_);
  remembered_ = false;
}

void Tsp_Axis::Assign(const Tsp_Axis& source) {
  if (&source == this) return;
  SetFlagsRaw(source.Flags());
  SetLinePosRaw(source.LineX(), source.LineY(), source.LineLength());
  SetRequestedTicksRaw(source.RequestedTicksCount());
  SetLabelFormatRaw(source.LabelFormat());
  margin_ = source.margin_;
  caption_ = source.caption_;
  caption_shown_ = source.caption_shown_;
  ForgetRange();
  SetRange(source.Min(), source.Max());
  // SetRange keeps an equal range as it is; the copied flags and line still need applying.
  RecalcMapping();
  RecalcTicks();
  LineAttr().Assign(source.LineAttr());
  grid_attr_.Assign(source.grid_attr_);
}

void Tsp_Axis::GetTickLabel(int i, std::string& text) {
  Tsp_Scale::GetTickLabel(i, text);
  if (owner_) {
    const TGetTickLabelEvent& handler = owner_->TickLabelEvent();
    if (handler) handler(*this, i, TickValue(i), text);
  }
}

void Tsp_Axis::SaveProperties(plot::PropertyStore& store) const {
  store.SetInt("Margin", margin_);
  store.SetString("Caption", caption_);
  if (TicksCount() != plot::kDefaultTicksCount) store.SetInt("TicksCount", TicksCount());
  LineAttr().SaveProperties(store, "LineAttr.");
  grid_attr_.SaveProperties(store, "GridAttr.");
  store.SetString("LabelFormat", LabelFormat());
  Tsp_Scale::SaveProperties(store);
}

void Tsp_Axis::LoadProperties(const plot::PropertyStore& store) {
  if (auto v = store.GetInt("Margin")) margin_ = static_cast<int>(*v);
  if (auto v = store.GetString("Caption")) {
    caption_ = *v;
    caption_shown_ = HasVisibleChar(caption_);
  }
  if (auto v = store.GetInt("TicksCount"))
    SetRequestedTicksRaw(static_cast<int>(std::clamp<long long>(*v, 0, plot::kMaxTicks)));
  LineAttr().LoadProperties(store, "LineAttr.");
  grid_attr_.LoadProperties(store, "GridAttr.");
  if (auto v = store.GetString("LabelFormat")) SetLabelFormatRaw(*v);
  Tsp_Scale::LoadProperties(store);
  ForgetRange();
  RequestFull();
}

}  // namespace pulse::plot
