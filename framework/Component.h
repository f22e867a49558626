#pragma once
// The framework's component: a named, tagged object that can be "loaded" - set up from stored
// settings - before it starts to act.
//
// While a TComponent::TLoadingScope lives, Loading() is true and a component's setters only
// store their values; when the outermost scope ends, Loaded() runs. Loaded() must not throw
// (it reports its own failures), because it runs from a destructor. GUI thread only.

#include <cstdint>
#include <string>
#include <utility>

class TComponent {
public:
    TComponent() = default;
    virtual ~TComponent() = default;
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    const std::string& Name() const { return FName; }
    void SetName(std::string value) { FName = std::move(value); }
    std::intptr_t Tag() const { return FTag; }
    void SetTag(std::intptr_t value) { FTag = value; }

    bool Loading() const { return FLoadingDepth > 0; }

    class TLoadingScope {
    public:
        explicit TLoadingScope(TComponent& component) : FComponent(component) {
            ++FComponent.FLoadingDepth;
        }
        ~TLoadingScope() {
            if (--FComponent.FLoadingDepth == 0)
                FComponent.Loaded();
        }
        TLoadingScope(const TLoadingScope&) = delete;
        TLoadingScope& operator=(const TLoadingScope&) = delete;

    private:
        TComponent& FComponent;
    };

protected:
    virtual void Loaded() noexcept {}

private:
    std::string FName;
    std::intptr_t FTag = 0;
    int FLoadingDepth = 0;
};
