#include "dataset/Component.h"

#include <algorithm>

#include "rtl/Utf8.h"

namespace zalvert {

TComponent::TComponent(TComponent* owner) : owner_(owner) {
    if (owner_) owner_->InsertComponent(this);
}

TComponent::~TComponent() {
    destroying_ = true;
    // Everyone who refers to this component forgets it first.
    while (!freeNotifies_.empty()) {
        TComponent* other = freeNotifies_.back();
        freeNotifies_.pop_back();
        std::erase(other->freeNotifies_, this);
        other->Notification(this, TOperation::Remove);
    }
    // Owned components go in reverse order of creation.
    while (!components_.empty()) {
        TComponent* child = components_.back();
        child->owner_ = nullptr;
        components_.pop_back();
        Notification(child, TOperation::Remove);
        delete child;
    }
    if (owner_) owner_->RemoveComponent(this);
}

TComponent* TComponent::FindComponent(const std::string& name) const {
    if (name.empty()) return nullptr;
    const std::string wanted = AsciiUpperCase(name);
    for (TComponent* c : components_)
        if (AsciiUpperCase(c->Name()) == wanted) return c;
    return nullptr;
}

void TComponent::EndLoading() {
    loading_ = false;
    Loaded();
}

void TComponent::FreeNotification(TComponent* other) {
    if (other == nullptr || other == this) return;
    if (std::find(freeNotifies_.begin(), freeNotifies_.end(), other) == freeNotifies_.end())
        freeNotifies_.push_back(other);
    if (std::find(other->freeNotifies_.begin(), other->freeNotifies_.end(), this) ==
        other->freeNotifies_.end())
        other->freeNotifies_.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* other) {
    if (other == nullptr) return;
    std::erase(freeNotifies_, other);
    std::erase(other->freeNotifies_, this);
}

void TComponent::InsertComponent(TComponent* component) {
    components_.push_back(component);
    Notification(component, TOperation::Insert);
}

void TComponent::RemoveComponent(TComponent* component) {
    std::erase(components_, component);
    Notification(component, TOperation::Remove);
}

}  // namespace zalvert
