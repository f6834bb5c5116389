#pragma once

namespace DuiLib {

class CControlUI;

// The child list of a container control, as the dialog builder and the
// program see it. A container owns the controls added to it: a successful
// Add/AddAt hands the control over; when they return false the caller still
// owns the control. Indexes are 0-based. UI thread only.
class IContainer {
 public:
  // Null for an index outside 0..count-1.
  virtual CControlUI* GetItemAt(int index) const = 0;
  // -1 when `control` is not a child.
  virtual int GetItemIndex(CControlUI* control) const = 0;
  // Moves a child to `index`; false when it is not a child or the index is invalid.
  virtual bool SetItemIndex(CControlUI* control, int index) = 0;
  virtual int GetCount() const = 0;
  // False (nothing taken) for a null control.
  virtual bool Add(CControlUI* control) = 0;
  // False (nothing taken) for a null control or an index outside 0..count.
  virtual bool AddAt(CControlUI* control, int index) = 0;
  // Takes the child out; it is destroyed when the container auto-destroys,
  // otherwise the caller owns it again. False when it is not a child.
  virtual bool Remove(CControlUI* control) = 0;
  virtual bool RemoveAt(int index) = 0;
  virtual void RemoveAll() = 0;

 protected:
  ~IContainer() = default;
};

}  // namespace DuiLib
