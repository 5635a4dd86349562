// A client dataset: fields, records with a current record, the states
// closed/browse/edit/insert, nested datasets and a change log that stays on.
//
// Open puts a loaded schema and records into browse state with the first
// record current. Append completes a pending record (posted when a field of
// it was written, dropped otherwise) and starts a new record at the end
// (insert). Edit starts editing the current record (browse -> edit); with no
// records it appends instead; in edit or insert state it does nothing.
// Delete removes the current record (-> browse). Post stores the record being
// edited or inserted and logs the change; it first completes every nested
// dataset, fills a null autoincrement field and checks required fields.
// Locate makes the first record whose key fields equal the given values
// current and leaves the current record alone when none does.
//
// A nested dataset shows the detail records of its master's current record;
// changing it (Append, Edit, Delete) first puts the master into edit.
// Failures throw lumetra::Error with the messages "Cannot perform this
// operation on a closed dataset", "Dataset not in edit or insert mode",
// "Field '%s' not found", "Field '%s' must have a value", "Field '%s' cannot
// be modified", "Cannot perform this operation on an empty dataset" and
// "Field '%s' is of an unsupported type".
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <vector>

#include "lumetra/automation/values/variant.h"
#include "lumetra/dataset/records.h"

namespace lumetra::dataset {

enum class DatasetState { Closed, Browse, Edit, Insert };

class Dataset {
 public:
  Dataset();
  ~Dataset();
  // For the nested datasets a dataset makes for itself.
  class NestedKey {
    friend class Dataset;
    NestedKey() = default;
  };
  Dataset(NestedKey, Dataset* master, Schema* schema);
  Dataset(const Dataset&) = delete;
  Dataset& operator=(const Dataset&) = delete;

  // Takes over a loaded level: browse state, first record current.
  void Open(std::unique_ptr<Schema> schema, std::vector<Record> records);

  DatasetState state() const { return state_; }
  bool active() const { return state_ != DatasetState::Closed; }
  // The fields; only while open.
  const Schema& schema() const;

  // Records that are not deleted.
  size_t RecordCount() const;
  // Every stored record of the level, deleted ones included, in their order.
  // On a nested dataset: those of the master's current record.
  const std::vector<Record>& rows() const;

  // Index of the field named so (any letter case); throws "Field '%s' not found".
  int FieldIndex(WideStringView name) const;
  const FieldDef& Field(int index) const;
  // The value of the field in the current record (or the record being
  // edited); null when there is no current record.
  const Cell& Value(int field) const;

  // Navigation over the records that are not deleted.
  bool First();
  bool Next();

  void Append();
  void Edit();
  void Delete();
  void Post();
  void Cancel();
  // Posts a pending record when a field of it was written, drops it otherwise.
  void CompletePending();

  // Writes a field of the record being edited or inserted, converted by the
  // field's data type (field_assign.h).
  void SetValue(int field, const Variant& value);

  // Key fields by index, one value per field.
  bool Locate(const std::vector<int>& fields, const std::vector<Variant>& values);

  // The nested dataset of a nested dataset field.
  Dataset& Nested(int field);

 private:
  std::vector<Record>& Rows();
  void CheckActive() const;
  void EnsureMasterEditing();
  void NoteDetailChange();
  void Rebind();  // after the current record or the buffer changed: re-point the nested datasets
  void BindTo(std::vector<Record>* rows);
  size_t FirstVisible(size_t from) const;
  void StoreBuffer();

  Dataset* master_ = nullptr;
  std::unique_ptr<Schema> own_schema_;
  Schema* schema_ = nullptr;
  std::vector<Record> own_rows_;
  std::vector<Record>* rows_ = nullptr;  // nullptr: a nested dataset without a master record

  DatasetState state_ = DatasetState::Closed;
  size_t current_ = kNone;
  std::optional<Record> buffer_;
  bool buffer_written_ = false;
  Cell null_cell_;
  std::vector<std::unique_ptr<Dataset>> nested_;  // by nested index

  static constexpr size_t kNone = static_cast<size_t>(-1);
};

}  // namespace lumetra::dataset
