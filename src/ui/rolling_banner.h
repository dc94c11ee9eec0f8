// The picture carousel across the top of the window: holds a picture, slides it out to the
// left while the next slides in. Timing and layout come from RollingBannerState.
#pragma once

#include <QImage>
#include <QTimer>
#include <QWidget>
#include <filesystem>
#include <vector>

#include "window/rolling_banner_state.h"

namespace orvik::ui {

class CRollingBanner : public QWidget {
  Q_OBJECT

 public:
  // The native timer never ticked faster than this; the hold and slide durations the
  // operators know follow from it, not from the 4 ms asked for.
  static constexpr int kMinTickMs = 10;

  explicit CRollingBanner(QWidget* parent);

  void SetBannerRect(int x, int y, int width, int height);
  void SetInterval(int milliseconds);
  // Replaces the pictures; those that cannot be read are left out.
  void SetImages(const std::vector<std::filesystem::path>& files);
  // Appends one picture when it can be read; a failure is silent.
  void AddImage(const std::filesystem::path& file);

  const RollingBannerState& State() const { return state_; }
  int ImageCount() const { return static_cast<int>(images_.size()); }
  // One timer tick, as the banner's timer delivers it.
  void Tick();

 signals:
  // A click on a held picture (never during a slide), with the index of that picture.
  void Clicked(int index);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  RollingBannerState state_;
  std::vector<QImage> images_;
  QTimer timer_;
};

}  // namespace orvik::ui
