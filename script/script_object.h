#pragma once

// Host objects that a script sees under a name: properties read and written by name, methods,
// and a default indexed property (obj[i]). The engine borrows them; the host owns them.

#include <string>
#include <vector>

#include "script/script_value.h"

namespace foldant {

class ScriptObject {
  public:
    virtual ~ScriptObject() = default;
    virtual std::string ClassName() const = 0;
    // Names arrive as the script wrote them; implementations compare them without case.
    virtual ScriptValue GetProperty(const std::string& name);
    virtual void SetProperty(const std::string& name, const ScriptValue& value);
    virtual ScriptValue CallMethod(const std::string& name, const std::vector<ScriptValue>& args);
    virtual bool HasDefaultProperty() const { return false; }
    virtual ScriptValue GetDefault(const ScriptValue& index);
    virtual void SetDefault(const ScriptValue& index, const ScriptValue& value);
};

// The exception an "on E: Exception do" handler sees: Message and ClassName.
class ScriptException : public ScriptObject {
  public:
    explicit ScriptException(std::string message) : message_(std::move(message)) {}
    std::string ClassName() const override { return "Exception"; }
    ScriptValue GetProperty(const std::string& name) override;
    void SetProperty(const std::string& name, const ScriptValue& value) override;

  private:
    std::string message_;
};

// A list of texts as scripts know it: Count, Strings[i] (the default property), Text, Add,
// Clear, IndexOf. Indices outside the list raise the list index error.
class ScriptStringList : public ScriptObject {
  public:
    ScriptStringList() = default;
    explicit ScriptStringList(std::vector<std::string> items) : items_(std::move(items)) {}

    std::string ClassName() const override { return "TStringList"; }
    ScriptValue GetProperty(const std::string& name) override;
    ScriptValue CallMethod(const std::string& name, const std::vector<ScriptValue>& args) override;
    bool HasDefaultProperty() const override { return true; }
    ScriptValue GetDefault(const ScriptValue& index) override;
    void SetDefault(const ScriptValue& index, const ScriptValue& value) override;

    const std::vector<std::string>& Items() const { return items_; }

  private:
    size_t CheckedIndex(const ScriptValue& index) const;
    std::vector<std::string> items_;
};

}  // namespace foldant
