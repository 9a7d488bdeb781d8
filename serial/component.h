#pragma once
// The small part of a component framework that the serial component needs: an owner, whether
// the component is being loaded from its stored form or designed, and the call after loading.
#include <string>

namespace sio {

class TComponent {
 public:
  explicit TComponent(TComponent* owner = nullptr) : owner_(owner) {}
  virtual ~TComponent() = default;
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  TComponent* Owner() const { return owner_; }
  bool Loading() const { return loading_; }
  bool Designing() const { return designing_; }
  // The form is about to set the stored property values.
  void BeginLoading() { loading_ = true; }
  void SetDesigning(bool on) { designing_ = on; }
  // Called once the stored values are set; ends the loading state.
  virtual void Loaded() { loading_ = false; }

 private:
  TComponent* owner_;
  bool loading_ = false;
  bool designing_ = false;
};

// The common base of the serial component's classes.
class TSioBaseComponent : public TComponent {
 public:
  using TComponent::TComponent;
  std::string Version() const { return "v1.00"; }
  void SetVersion(const std::string&) {}  // never stored
};

}  // namespace sio
