// What a job needs of its window, and nothing more. The desktop window implements it by
// queuing every call to its own thread in the order the job makes them; the CLI implements
// it directly. Texts for the window are UTF-8.
#pragma once

#include <string>

#include "stage/options.h"

namespace quarvex::job {

// The window's controls a job enables, disables, shows or hides.
enum class Control { Button1, Button2, Button3, Button4, sbReAna, sbEnd, sbShowRep, pgPage };

class JobWindow {
 public:
  virtual ~JobWindow() = default;
  virtual void SetApplicationTitle(const std::string& title) = 0;
  virtual void SetMessageLine(const std::string& text) = 0;  // edMes
  // Panel 0 shows the analysed file's name, panel 1 progress and result texts.
  virtual void SetStatusPanel(int panel, const std::string& text) = 0;
  virtual void SetControlEnabled(Control control, bool enabled) = 0;
  virtual void SetControlVisible(Control control, bool visible) = 0;
  virtual void MinimizeAndHide() = 0;
  virtual void RestoreAndShow() = 0;
  virtual bool IsChecked(stage::Option option) const = 0;
  virtual std::string SelectedFileName() const = 0;  // the open dialog's file name
  virtual void ClearChartSeries() = 0;
  // The job's last act: the window marks itself idle again (on its own thread).
  virtual void JobOver() = 0;
};

}  // namespace quarvex::job
