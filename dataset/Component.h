#pragma once
// Components: named objects with an owner that frees them, a loading state for
// settings read at construction, and removal notification between components
// that reference each other.

#include <string>
#include <vector>

namespace zalvert {

enum class TOperation { Insert, Remove };

class TComponent {
  public:
    // A component with an owner must be created with new: the owner deletes it.
    explicit TComponent(TComponent* owner = nullptr);
    virtual ~TComponent();
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    const std::string& Name() const { return name_; }
    virtual void SetName(const std::string& name) { name_ = name; }
    TComponent* Owner() const { return owner_; }
    int ComponentCount() const { return static_cast<int>(components_.size()); }
    TComponent* Components(int index) const { return components_.at(static_cast<size_t>(index)); }
    TComponent* FindComponent(const std::string& name) const;

    bool Loading() const { return loading_; }
    bool Designing() const { return designing_; }
    bool Destroying() const { return destroying_; }
    void SetDesigning(bool designing) { designing_ = designing; }

    // Settings read from a form: construct, BeginLoading, set the properties,
    // EndLoading (which runs Loaded).
    void BeginLoading() { loading_ = true; }
    void EndLoading();

    // `other` is told through Notification when this component goes, and the other way.
    void FreeNotification(TComponent* other);
    void RemoveFreeNotification(TComponent* other);

  protected:
    virtual void Loaded() {}
    virtual void Notification(TComponent* /*component*/, TOperation /*operation*/) {}

  private:
    void InsertComponent(TComponent* component);
    void RemoveComponent(TComponent* component);

    std::string name_;
    TComponent* owner_;
    std::vector<TComponent*> components_;
    std::vector<TComponent*> freeNotifies_;
    bool loading_ = false;
    bool designing_ = false;
    bool destroying_ = false;
};

}  // namespace zalvert
