#pragma once

// Named values carried into a script run and back out of it, and the error text of the last
// failed compile or run.

#include <memory>
#include <string>
#include <vector>

#include "script/script_value.h"

namespace foldant {

class ScriptObject;

struct TVarData {
    std::string Name;
    std::string Typ;  // the script type name, for example "Boolean"
    ScriptValue Value;
};

struct TObjData {
    std::string Name;
    ScriptObject* Obj = nullptr;  // not owned
};

struct TClassData {
    std::string AncestorName;
    std::string ClassName;  // a class the engine's binding system knows
};

class TFillData {
  public:
    // Disposes of every record and empties the error text.
    void ClearAll();
    // Nothing when AddNull is false and Value is null. Otherwise the variable of that name
    // (compared without case) gets type and value, or a new one is appended; Booleans and
    // floating-point types are converted on storing.
    void PutVariable(const std::string& Name, const std::string& Typ, bool AddNull,
                     const ScriptValue& Value);
    TVarData* FindVariable(const std::string& Name);

    void AddObject(const std::string& Name, ScriptObject* Obj);
    void AddClass(const std::string& AncestorName, const std::string& ClassName);

    const std::vector<std::unique_ptr<TVarData>>& Variables() const { return variables_; }
    const std::vector<std::unique_ptr<TObjData>>& Objects() const { return objects_; }
    const std::vector<std::unique_ptr<TClassData>>& Classes() const { return classes_; }

    // 0 leaves the process-wide separator as it is.
    char DecimalSeparator() const { return decimalSeparator_; }
    char ThousandSeparator() const { return thousandSeparator_; }
    void SetDecimalSeparator(char separator) { decimalSeparator_ = separator; }
    void SetThousandSeparator(char separator) { thousandSeparator_ = separator; }

    const std::string& ErrorText() const { return errorText_; }
    void SetErrorText(std::string text) { errorText_ = std::move(text); }

  private:
    std::vector<std::unique_ptr<TVarData>> variables_;
    std::vector<std::unique_ptr<TObjData>> objects_;
    std::vector<std::unique_ptr<TClassData>> classes_;
    char decimalSeparator_ = 0;
    char thousandSeparator_ = 0;
    std::string errorText_;
};

}  // namespace foldant
