// The stepper controller's link: the static address entry, connect and disconnect with their
// fixed sequences, drive power, the stored programs and the slit hatch.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "motors/motors.h"
#include "state/HELX.h"
#include "state/monitor.h"
#include "state/observation_state.h"

short M_Open_status = 0;
short M_Init_status = 0;
char motor_str[1024];
float DelayTime = 0.05f;

int motor_link_up = 0;

namespace {
// The caller keeps the address; one buffer serves every connect.
char address[32];
}  // namespace

void MotorLinkLost(const char* step) {
  if (!motor_link_up) return;
  motor_link_up = 0;
  char text[256];
  std::snprintf(text, sizeof text,
                "Stepper controller link lost at %s: the grating and the slit hatch are not "
                "moved until Power On connects it again.\n",
                step);
  TellOperator("Error", text);
  Close_6KE();
  M_Open_status = 0;
  M_Init_status = 0;
  Motor_status = 0;
  SetCtrlVal(mainPanel, PANEL_Motor_Status, 0);
}

int MotorSend(const char* command, const char* step) {
  if (!motor_link_up) return 0;
  if (Write_6KE(command) != 0) return 1;
  MotorLinkLost(step);
  return 0;
}

char* ArpSetF(void) {
  // A missing file leaves an empty address, which makes the open fail cleanly.
  address[0] = '\0';
  FILE* file = std::fopen("IPaddr.ini", "rb");
  if (!file) {
    MessagePopup("Error",
                 "IPaddr.ini file is not exist.\n Please Set the IP address and Mac address.");
    return address;
  }
  char mac[32] = "", local[32] = "";
  // Each token is at most 31 characters, whatever the file holds.
  if (std::fscanf(file, "%31s\n", address) != 1) address[0] = '\0';
  if (std::fscanf(file, "%31s\n", mac) != 1) mac[0] = '\0';
  if (std::fscanf(file, "%31s\n", local) != 1) local[0] = '\0';
  std::fclose(file);

  FILE* script = std::fopen("IPaddr.bat", "wb");
  if (script) {
    std::fprintf(script, "arp -s %s %s %s", address, mac, local);
    std::fclose(script);
  }
  LaunchExecutableEx("IPaddr.bat", LE_HIDE, nullptr);
  Delay(DelayTime);
  return address;
}

int MotorConnect(void) {
  char* ip = ArpSetF();
  M_Open_status = Open_6KE(ip);
  if (M_Open_status == 0) {
    char text[200];
    std::snprintf(text, sizeof text,
                  "Stepper controller did not connect (address \"%s\"): the grating and the slit "
                  "hatch are not available.\n",
                  ip);
    TellOperator("Error", text);
    return 0;
  }
  motor_link_up = 1;
  AppendMonitor("\n------------Connected------------\n");
  M_Init_status = Initialize_6KE();
  if (M_Init_status != 0) AppendMonitor("Initialized  \n");
  if (!DriveEnable()) return 0;
  InitWvRing();
  if (!InitMotor() || !SlitHatchOpen()) return 0;
  return 1;
}

int MotorDisconnect(void) {
  if (M_Open_status == 0) return 0;
  // What still answers is parked; a link already lost was closed when it was found.
  if (SlitHatchClose() && MotorSend("!S:", "stop"))
    GratingMoveWithin(1, -50000, kParkLimitSeconds, "Grating park");
  DriveDisable();
  if (motor_link_up && Close_6KE() != 0) {
    AppendMonitor("-----------Disconnected-----------\n");
    M_Open_status = 0;
    M_Init_status = 0;
  }
  motor_link_up = 0;
  return 1;
}

int DriveEnable(void) {
  if (!MotorSend("DRIVE1111:", "DRIVE")) return 0;
  Delay(DelayTime);
  return 1;
}

int DriveDisable(void) {
  if (!MotorSend("DRIVE0000:", "DRIVE")) return 0;
  Delay(DelayTime);
  return 1;
}

int InitMotor(void) {
  if (!MotorSend("SETUP:", "SETUP")) return 0;
  Delay(20 * DelayTime);
  if (!MotorSend("HOMING:", "HOMING")) return 0;
  Delay(5.0);
  if (!MotorSend("PSET0,0,0,0:", "PSET") || !MotorSend("PESET0,0,0,0:", "PSET")) return 0;
  MotorPos1E = 0;
  MotorPos1E_Pre = 0;
  SelectMotor = 1;
  return 1;
}

int SlitHatchOpen(void) {
  if (!MotorSend("OUT0010:", "OUT (slit hatch open)")) return 0;
  Delay(DelayTime);
  return 1;
}

int SlitHatchClose(void) {
  if (!MotorSend("OUT0001:", "OUT (slit hatch close)")) return 0;
  Delay(DelayTime);
  return 1;
}

int CVICALLBACK Motor_Stop(int panel, int control, int event, void* callbackData, int eventData1,
                           int eventData2) {
  (void)panel, (void)control, (void)callbackData, (void)eventData1, (void)eventData2;
  if (event != EVENT_COMMIT) return 0;
  Write_6KE("!S:");
  Write_6KE("MC0000:");
  return 0;
}

void MotorCommandLine(const char* command) {
  char echo[100];
  std::memset(echo, 0, sizeof echo);
  std::snprintf(echo, sizeof echo, "6K_Motor> %s\n", command);
  SetCtrlVal(testpanel, test_panel_TB_Text_Monitor, echo);
  Write_6KE(command);
  Delay(0.05);
  char reply[1024] = "";
  Read_HS(reply);
  reply[1023] = '\0';
  SetCtrlVal(testpanel, test_panel_TB_Text_Monitor, reply);
  SetCtrlVal(testpanel, test_panel_TB_Text_Monitor, "\n");
}
