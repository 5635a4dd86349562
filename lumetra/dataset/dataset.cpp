#include "lumetra/dataset/dataset.h"

#include <utility>

#include "lumetra/automation/values/errors.h"
#include "lumetra/dataset/field_assign.h"

namespace lumetra::dataset {
namespace {

[[noreturn]] void Fail(const std::string& message) { throw Error(message); }

bool IsEditing(DatasetState state) { return state == DatasetState::Edit || state == DatasetState::Insert; }

void FillAutoIncrement(const Schema& schema, const std::vector<Record>& rows, Record& record) {
  for (size_t f = 0; f < schema.fields.size(); ++f) {
    if (schema.fields[f].type != FieldType::ftAutoInc || !std::holds_alternative<std::monostate>(record.values[f])) {
      continue;
    }
    int64_t highest = 0;
    for (const Record& row : rows) {
      if (const auto* number = std::get_if<int64_t>(&row.values[f]); number && *number > highest) highest = *number;
    }
    record.values[f] = highest + 1;
  }
}

}  // namespace

Dataset::Dataset() = default;
Dataset::~Dataset() = default;

Dataset::Dataset(NestedKey, Dataset* master, Schema* schema) : master_(master), schema_(schema), rows_(&own_rows_) {
  for (FieldDef& field : schema_->fields) {
    if (field.nested) nested_.push_back(std::make_unique<Dataset>(NestedKey{}, this, field.nested.get()));
  }
}

void Dataset::Open(std::unique_ptr<Schema> schema, std::vector<Record> records) {
  own_schema_ = std::move(schema);
  schema_ = own_schema_.get();
  own_rows_ = std::move(records);
  rows_ = &own_rows_;
  nested_.clear();
  for (FieldDef& field : schema_->fields) {
    if (field.nested) nested_.push_back(std::make_unique<Dataset>(NestedKey{}, this, field.nested.get()));
  }
  state_ = DatasetState::Browse;
  buffer_.reset();
  current_ = FirstVisible(0);
  Rebind();
}

const Schema& Dataset::schema() const {
  CheckActive();
  return *schema_;
}

std::vector<Record>& Dataset::Rows() { return *rows_; }
const std::vector<Record>& Dataset::rows() const { return *rows_; }

size_t Dataset::RecordCount() const {
  size_t count = 0;
  for (const Record& row : *rows_) count += row.status != RowStatus::Deleted;
  return count;
}

void Dataset::CheckActive() const {
  if (state_ == DatasetState::Closed) Fail("Cannot perform this operation on a closed dataset");
}

int Dataset::FieldIndex(WideStringView name) const {
  const int index = active() ? schema_->IndexOf(name) : -1;
  if (index < 0) Fail("Field '" + ToUtf8(name) + "' not found");
  return index;
}

const FieldDef& Dataset::Field(int index) const { return schema().fields.at(static_cast<size_t>(index)); }

const Cell& Dataset::Value(int field) const {
  const auto f = static_cast<size_t>(field);
  if (buffer_) return buffer_->values.at(f);
  if (current_ != kNone) return rows_->at(current_).values.at(f);
  return null_cell_;
}

size_t Dataset::FirstVisible(size_t from) const {
  for (size_t i = from; i < rows_->size(); ++i) {
    if ((*rows_)[i].status != RowStatus::Deleted) return i;
  }
  return kNone;
}

bool Dataset::First() {
  CheckActive();
  CompletePending();
  current_ = FirstVisible(0);
  Rebind();
  return current_ != kNone;
}

bool Dataset::Next() {
  CheckActive();
  CompletePending();
  if (current_ == kNone) return false;
  const size_t next = FirstVisible(current_ + 1);
  if (next == kNone) return false;
  current_ = next;
  Rebind();
  return true;
}

void Dataset::Rebind() {
  for (size_t k = 0; k < nested_.size(); ++k) {
    std::vector<Record>* target = &nested_[k]->own_rows_;
    if (buffer_) {
      target = &buffer_->details[k];
    } else if (current_ != kNone) {
      target = &(*rows_)[current_].details[k];
    }
    nested_[k]->BindTo(target);
  }
}

void Dataset::BindTo(std::vector<Record>* rows) {
  rows_ = rows;
  state_ = DatasetState::Browse;
  buffer_.reset();
  buffer_written_ = false;
  current_ = FirstVisible(0);
  Rebind();
}

void Dataset::EnsureMasterEditing() {
  if (master_ == nullptr || IsEditing(master_->state_)) return;
  const size_t current = current_;
  master_->Edit();
  if (current != kNone && current < rows_->size() && (*rows_)[current].status != RowStatus::Deleted) {
    current_ = current;
    Rebind();
  }
}

void Dataset::NoteDetailChange() {
  if (IsEditing(state_)) buffer_written_ = true;
}

void Dataset::Append() {
  CheckActive();
  EnsureMasterEditing();
  CompletePending();
  Record record;
  record.values.resize(schema_->fields.size());
  record.details.resize(static_cast<size_t>(schema_->nested_count));
  buffer_ = std::move(record);
  buffer_written_ = false;
  state_ = DatasetState::Insert;
  Rebind();
}

void Dataset::Edit() {
  CheckActive();
  if (IsEditing(state_)) return;
  EnsureMasterEditing();
  if (RecordCount() == 0) {
    Append();
    return;
  }
  buffer_ = (*rows_)[current_];
  buffer_written_ = false;
  state_ = DatasetState::Edit;
  Rebind();
}

void Dataset::Cancel() {
  if (!IsEditing(state_)) return;
  buffer_.reset();
  buffer_written_ = false;
  state_ = DatasetState::Browse;
  Rebind();
}

void Dataset::CompletePending() {
  if (!IsEditing(state_)) return;
  if (buffer_written_) {
    Post();
  } else {
    Cancel();
  }
}

void Dataset::Post() {
  CheckActive();
  if (!IsEditing(state_)) Fail("Dataset not in edit or insert mode");
  for (auto& nested : nested_) nested->CompletePending();
  FillAutoIncrement(*schema_, *rows_, *buffer_);
  for (size_t f = 0; f < schema_->fields.size(); ++f) {
    const FieldDef& field = schema_->fields[f];
    if (field.required && !field.nested && std::holds_alternative<std::monostate>(buffer_->values[f])) {
      Fail("Field '" + field.name + "' must have a value");
    }
  }
  StoreBuffer();
  buffer_.reset();
  buffer_written_ = false;
  state_ = DatasetState::Browse;
  Rebind();
  if (master_ != nullptr) master_->NoteDetailChange();
}

void Dataset::StoreBuffer() {
  if (state_ == DatasetState::Insert) {
    Record record = std::move(*buffer_);
    record.original.clear();
    record.status = RowStatus::Inserted;
    record.change = schema_->next_change++;
    rows_->push_back(std::move(record));
    current_ = rows_->size() - 1;
    return;
  }
  Record& record = (*rows_)[current_];
  if (record.status == RowStatus::Unchanged || record.status == RowStatus::DetailUpdated) {
    record.original = std::move(record.values);
    record.status = RowStatus::Modified;
    record.change = schema_->next_change++;
  }
  record.values = std::move(buffer_->values);
  record.details = std::move(buffer_->details);
}

void Dataset::Delete() {
  CheckActive();
  if (state_ == DatasetState::Insert) {
    Cancel();
    return;
  }
  Cancel();
  EnsureMasterEditing();
  if (current_ == kNone) Fail("Cannot perform this operation on an empty dataset");
  const size_t index = current_;
  Record& record = (*rows_)[index];
  size_t next_from = index + 1;
  if (record.status == RowStatus::Inserted) {
    rows_->erase(rows_->begin() + static_cast<std::ptrdiff_t>(index));
    next_from = index;
  } else {
    if (record.status == RowStatus::Modified) {
      record.values = std::move(record.original);
      record.original.clear();
    }
    record.status = RowStatus::Deleted;
    record.change = schema_->next_change++;
  }
  current_ = FirstVisible(next_from);
  if (current_ == kNone) {
    for (size_t i = index; i-- > 0;) {
      if ((*rows_)[i].status != RowStatus::Deleted) {
        current_ = i;
        break;
      }
    }
  }
  Rebind();
  if (master_ != nullptr) master_->NoteDetailChange();
}

void Dataset::SetValue(int field, const Variant& value) {
  const FieldDef& definition = Field(field);
  if (definition.readonly) Fail("Field '" + definition.name + "' cannot be modified");
  if (!IsEditing(state_)) Fail("Dataset not in edit or insert mode");
  buffer_->values[static_cast<size_t>(field)] = CellForField(definition, value);
  buffer_written_ = true;
}

bool Dataset::Locate(const std::vector<int>& fields, const std::vector<Variant>& values) {
  CheckActive();
  std::vector<Cell> keys;
  bool matchable = true;
  for (size_t k = 0; k < fields.size(); ++k) {
    const FieldDef& field = Field(fields[k]);
    if (!IsKeyType(field.type)) Fail("Field '" + field.name + "' is of an unsupported type");
    auto key = KeyCellForField(field, values.at(k));
    if (!key) matchable = false;
    keys.push_back(key ? std::move(*key) : Cell{});
  }
  CompletePending();
  if (!matchable) return false;
  for (size_t i = 0; i < rows_->size(); ++i) {
    const Record& row = (*rows_)[i];
    if (row.status == RowStatus::Deleted) continue;
    bool match = true;
    for (size_t k = 0; k < fields.size() && match; ++k) match = row.values[static_cast<size_t>(fields[k])] == keys[k];
    if (match) {
      current_ = i;
      Rebind();
      return true;
    }
  }
  return false;
}

Dataset& Dataset::Nested(int field) {
  const FieldDef& definition = Field(field);
  if (!definition.nested) Fail("Field '" + definition.name + "' is not a nested dataset field");
  return *nested_[static_cast<size_t>(definition.nested_index)];
}

}  // namespace lumetra::dataset
