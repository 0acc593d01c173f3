#pragma once

class TFrm_Main;
class TFrm_Pop;
class TFrm_WB;
class TFrm_About;
class TFrm_Help;

// The five windows created at start-up, each reached through one reference; they live until the
// process ends.
extern TFrm_Main *Frm_Main;
extern TFrm_Pop *Frm_Pop;
extern TFrm_WB *Frm_WB;
extern TFrm_About *Frm_About;
extern TFrm_Help *Frm_Help;
