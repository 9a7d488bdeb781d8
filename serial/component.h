#pragma once
// The small part of a component framework that the serial component needs: an owner, and
// whether the component is being loaded from its stored form or designed.
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
  void SetLoading(bool on) { loading_ = on; }
  void SetDesigning(bool on) { designing_ = on; }

 private:
  TComponent* owner_;
  bool loading_ = false;
  bool designing_ = false;
};

}  // namespace sio
