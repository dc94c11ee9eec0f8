// The picture over the update/run button's place while a download or an unpacking runs.
// A child of its own (not painted by the window under its children) so that it covers the
// program caption that shares its place.
#pragma once

#include <QWidget>
#include <functional>

namespace orvik::ui {

class CImageEx;

class CStatusPicture : public QWidget {
  Q_OBJECT

 public:
  // Asked on every paint for the picture to show; null shows nothing.
  using Source = std::function<const CImageEx*()>;
  CStatusPicture(QWidget* parent, Source source);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  Source source_;
};

}  // namespace orvik::ui
