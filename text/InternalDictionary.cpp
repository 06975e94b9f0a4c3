// The built-in English texts: the answer of last resort for every ID.
#include "text/Resources.h"

namespace plyx::text {

void LoadInternalDictionary(TextTables& tables, std::string_view programName) {
    const std::string name(programName);
    TextTable& t = tables.InternalDictionary;
    ClearDictionary(t);

    // Main window
    SetDictionaryText(t, 100, name);
    SetDictionaryText(t, 101, "Save This Shell");
    SetDictionaryText(t, 102, "Edit This Shell");
    SetDictionaryText(t, 103, "Exit Program");
    SetDictionaryText(t, 104, "Change Shell Size");
    SetDictionaryText(t, 105, "Start Burnish Pass");
    SetDictionaryText(t, 106, "Start Full Run");
    SetDictionaryText(t, 107, "Model");
    SetDictionaryText(t, 108, "inches");
    SetDictionaryText(t, 109, "Shell Size:");
    SetDictionaryText(t, 110, "<none>");
    SetDictionaryText(t, 111, "Current shell:");

    // File menu
    SetDictionaryText(t, 200, "&File");
    SetDictionaryText(t, 201, "&Open...");
    SetDictionaryText(t, 202, "Save &As...");
    SetDictionaryText(t, 203, "Select &Model");
    SetDictionaryText(t, 204, "&Exit");

    // View menu
    SetDictionaryText(t, 300, "&View");
    SetDictionaryText(t, 301, "&Options...");
    SetDictionaryText(t, 302, "&Default Language");
    SetDictionaryText(t, 303, "Select &Language");
    SetDictionaryText(t, 304, "Select &English Language");
    SetDictionaryText(t, 305, "&Show Resource IDs");

    // Shell options dialog
    SetDictionaryText(t, 400, name + " Shell Options");
    SetDictionaryText(t, 401, "Apply");
    SetDictionaryText(t, 402, "Cancel");
    SetDictionaryText(t, 403, "OK");
    SetDictionaryText(t, 404, "Editing");
    SetDictionaryText(t, 405, "Burnish Layer Count:");
    SetDictionaryText(t, 406, "Burnish % rate increase:");
    SetDictionaryText(t, 407, "Shell diameter (inches):");
    SetDictionaryText(t, 408, "Pole Diameter:");
    SetDictionaryText(t, 409, "Tape Spacing:");
    SetDictionaryText(t, 410, "Speed:");
    SetDictionaryText(t, 411, "Number of layers:");
    SetDictionaryText(t, 412, "Wraps per layer:");
    SetDictionaryText(t, 413, "% increase per layer:");
    SetDictionaryText(t, 414, "Alternate Layers:");

    // Splash window
    SetDictionaryText(t, 500, "Exit");
    SetDictionaryText(t, 501, "Abort");
    SetDictionaryText(t, 502, "Retry");
    SetDictionaryText(t, 503, "Testing");
    SetDictionaryText(t, 504, "FAILED TO FIND BOARD");
    SetDictionaryText(t, 505, name);
    SetDictionaryText(t, 506, "Version");
    SetDictionaryText(t, 507, name.compare(0, 4, "PLYX") == 0 ? "Orvane Works LLC" : "OW LLC");
    SetDictionaryText(t, 508, "Copyright (C) 2026 " + name + ". All rights reserved. Written By");

    // Switch dialog
    SetDictionaryText(t, 600, "Switches need to be opened");
    SetDictionaryText(t, 601, "Please Open Switches");
    SetDictionaryText(t, 602, "Exit Program");
    SetDictionaryText(t, 603, "STOP");
    SetDictionaryText(t, 604, "PAUSE");
    SetDictionaryText(t, 605, "BURNISH");
    SetDictionaryText(t, 606, "START");
    SetDictionaryText(t, 607, "ABORT");
    SetDictionaryText(t, 608,
                      "The system has detected that the switches as shown on this dialog are currently "
                      "closed (actuated).  Please open them so that the code can proceed.");

    // Run status window
    SetDictionaryText(t, 700, name + " Running...");
    SetDictionaryText(t, 701, "Show Distance As Meters");
    SetDictionaryText(t, 702, "Auto Return");
    SetDictionaryText(t, 703, "Abort Run");
    SetDictionaryText(t, 704, "Aborting...");
    SetDictionaryText(t, 705, "Load New Shell");
    SetDictionaryText(t, 706, "Pause");
    SetDictionaryText(t, 707, "Restart");
    SetDictionaryText(t, 708, "Elapsed Time:");
    SetDictionaryText(t, 709, "Tape Meters:");
    SetDictionaryText(t, 710, "Tape Feet:");
    SetDictionaryText(t, 711, "Queuing Layer:");
    SetDictionaryText(t, 712, "Current shell:");
    SetDictionaryText(t, 713, "<shell data not saved>");

    // Messages, dialog titles and file-dialog filters
    SetDictionaryText(t, 800, "must be > 0");
    SetDictionaryText(t, 801, "Available " + name + " Models (*.cf)");
    SetDictionaryText(t, 802, name + " Files (*.cfg, *.fin)");
    SetDictionaryText(t, 803, "Save As");
    SetDictionaryText(t, 804, "Open");
    SetDictionaryText(t, 805, "You have not yet selected a " + name + " Model.");
    SetDictionaryText(t, 806, "Please select your model from the following file dialog box.");
    SetDictionaryText(t, 807, "Press OK to select your model, CANCEL to exit the program.");
    SetDictionaryText(t, 808, "Missing " + name + " Model");
    SetDictionaryText(t, 809, "Trying to open parameters file");
    SetDictionaryText(t, 810, "Trying to create parameters file");
    SetDictionaryText(t, 811, "Error");
    SetDictionaryText(t, 812, "...Hex error code =");
    SetDictionaryText(t, 813, "...Source =");
    SetDictionaryText(t, 814, "...Description =");
    SetDictionaryText(t, 815, "Could not locate your common documents directory! Please reinstall " + name +
                                  " while logged in as an administrator.");
    SetDictionaryText(t, 816, "Reinstall Needed");
    SetDictionaryText(t, 817, "Could not create your " + name + " data directory");
    SetDictionaryText(t, 818, "Language Files (*.lng)");
    SetDictionaryText(t, 819, "Requested Language file is not properly formatted");

    // Refusals of the options dialog and of a run start. "%1" and "%2" stand
    // for numbers filled in when the text is shown.
    SetDictionaryText(t, 900, "must be 32767 or less");
    SetDictionaryText(t, 901, "No " + name + " Model is loaded, so no run can start. Please select your model first.");
    SetDictionaryText(t, 902,
                      "The pole diameter (PD) is 0, which would make every crosswise move endless. "
                      "Please enter the pole diameter before starting a run.");
    SetDictionaryText(t, 903,
                      "This shell alternates its layers with %1 line pairs in one run; at most %2 are possible. "
                      "Please reduce the layer count or the wraps per layer.");
    // Captions that were English only: the splash status before the search,
    // the run status window's live controls.
    SetDictionaryText(t, 904, "Scanning for controller...");
    SetDictionaryText(t, 905, "Dynamic Controls");
    SetDictionaryText(t, 906, "% increase per layer:");
    SetDictionaryText(t, 907, "Set % Increase");

    // Simulator's operator panel window (boardsim --panel)
    SetDictionaryText(t, 980, "Operator panel");
    SetDictionaryText(t, 981, "Lamps");
    SetDictionaryText(t, 982, "Switches");
    SetDictionaryText(t, 983, "hold");
    SetDictionaryText(t, 984, "Limit inputs");
    SetDictionaryText(t, 985, "Queue");
    SetDictionaryText(t, 986, "State");
    SetDictionaryText(t, 987, "Position");
    SetDictionaryText(t, 988, "Run rate");
    SetDictionaryText(t, 989, "Head path: ran (blue), queued (orange), dropped (dashed)");
    SetDictionaryText(t, 990, "Faults");
    SetDictionaryText(t, 991, "Board silent");
    SetDictionaryText(t, 992, "Unplug");
    SetDictionaryText(t, 993, "Unplugged");
    SetDictionaryText(t, 994, "Restart board");
    SetDictionaryText(t, 995, "Board restarted");
    SetDictionaryText(t, 996, "Garble a reply");
    SetDictionaryText(t, 997, "Garbled reply pending");
    SetDictionaryText(t, 998, "Slow replies, ms a byte");
    SetDictionaryText(t, 999, "Active faults:");
    SetDictionaryText(t, 1400, "Power cycle");
    SetDictionaryText(t, 1401, "Board power-cycled");
    // A log file that cannot be written: the message before the program ends
    SetDictionaryText(t, 960, "Cannot write the log file");
    SetDictionaryText(t, 961, "The program ends. A run in progress has been stopped and the controller reset.");
    // Run preview, time left and the production record (920-959)
    SetDictionaryText(t, 920, "Run Preview");
    SetDictionaryText(t, 921, "Run &Preview...");
    SetDictionaryText(t, 922, "Full run");
    SetDictionaryText(t, 923, "Burnish pass");
    SetDictionaryText(t, 924, "Layers:");
    SetDictionaryText(t, 925, "Line moves:");
    SetDictionaryText(t, 926, "Moves queued:");
    SetDictionaryText(t, 927, "Tape (feet):");
    SetDictionaryText(t, 928, "Tape (meters):");
    SetDictionaryText(t, 929, "Estimated run time:");
    SetDictionaryText(t, 930, "Finishing file included");
    SetDictionaryText(t, 931, "X (steps)");
    SetDictionaryText(t, 932, "Y (steps)");
    SetDictionaryText(t, 933, "Layer");
    SetDictionaryText(t, 934, "Time left:");
    SetDictionaryText(t, 935, "This run would not start:");
    SetDictionaryText(t, 936, "The production record could not be written");
    // Tooltips of the options dialog and the main window, the preview's finishing layers (1300-1349)
    SetDictionaryText(t, 1300, "Shell diameter in inches; greater than 0.");
    SetDictionaryText(t, 1301, "Pole diameter in inches (the crosswise move is divided by it); greater than 0.");
    SetDictionaryText(t, 1302, "Tape spacing: a factor without unit on the crosswise move; greater than 0.");
    SetDictionaryText(t, 1303, "Speed: a factor without unit on every rate (10 runs the rates as set); greater than 0.");
    SetDictionaryText(t, 1304, "Layers of a full run: a count from 1 to 32767.");
    SetDictionaryText(t, 1305, "Wraps in each layer: a count from 1 to 32767.");
    SetDictionaryText(t, 1306, "Per cent by which each layer's main move grows over the first layer's; greater than 0.");
    SetDictionaryText(t, 1307, "Per cent by which every rate rises in a burnish pass; greater than 0.");
    SetDictionaryText(t, 1308, "Layers of a burnish pass: a count from 1 to 32767.");
    SetDictionaryText(t, 1309, "0: every layer wound alike; a count from 1 to 32767: alternate layers.");
    SetDictionaryText(t, 1310, "Interval move between layers, per cent of the layer's main move; greater than 0.");
    SetDictionaryText(t, 1311, "Rate of the first line of each wrap, in steps/s times Speed; greater than 0.");
    SetDictionaryText(t, 1312, "Rate of the second line of each wrap, in steps/s times Speed; greater than 0.");
    SetDictionaryText(t, 1313, "Rate of the interval move between layers, in steps/s times Speed; greater than 0.");
    SetDictionaryText(t, 1314, "Third-axis wraps before every third layer: a count from 1 to 32767.");
    SetDictionaryText(t, 1315, "Third-axis pass, per cent of the layer's main move; greater than 0.");
    SetDictionaryText(t, 1316, "Third-axis cleanup move, per cent of the layer's main move; greater than 0.");
    SetDictionaryText(t, 1317, "Pole advance in whole per cent, from 1 to 32767.");
    SetDictionaryText(t, 1318, "Rate of the third-axis first line, in steps/s times Speed; greater than 0.");
    SetDictionaryText(t, 1319, "Rate of the third-axis second line, in steps/s times Speed; greater than 0.");
    SetDictionaryText(t, 1320, "Rate of the third-axis cleanup move, in steps/s times Speed; greater than 0.");
    SetDictionaryText(t, 1321, "Start/stop rate in full steps/s; greater than 0.");
    SetDictionaryText(t, 1322, "Ramp rate (acceleration) in full steps/s per second; greater than 0.");
    SetDictionaryText(t, 1323, "Distance scale factor: a factor without unit on the shell's circumference; greater than 0.");
    SetDictionaryText(t, 1324, "Micro steps per full motor step: a count set by the model file.");
    SetDictionaryText(t, 1330, "Start a full run of every layer of this shell: the machine moves.");
    SetDictionaryText(t, 1331, "Start a burnish pass at raised rates: the machine moves.");
    SetDictionaryText(t, 1332, "Open another shell file (.cfg or .fin).");
    SetDictionaryText(t, 1333, "Edit this shell's parameters.");
    SetDictionaryText(t, 1334, "Save this shell's parameters to a shell file (.cfg).");
    SetDictionaryText(t, 1335, "Reset the controller and end the program.");
    SetDictionaryText(t, 1340, "Layers from the finishing file:");
    SetDictionaryText(t, 1341, "Finishing file:");
    SetDictionaryText(t, 1342, "Nothing to show: no model is loaded. Select one with File, Select Model.");
    // The machine after an error that ends a run, and a run's size (1250-1299)
    SetDictionaryText(t, 1250,
                      "The controller has been stopped and reset: the moves it still held were dropped. "
                      "The program ends when you press OK.");
    SetDictionaryText(t, 1251,
                      "The controller did not answer the stop, so the machine may still be moving through the "
                      "moves it holds: press ABORT on the operator panel to stop it. "
                      "The program ends when you press OK.");
    // An error that ends the program, in plain words (1260-1279)
    SetDictionaryText(t, 1260, "The controller did not answer a command in time.");
    SetDictionaryText(t, 1261, "The board on this port is not a controller this program drives: its identification did not match.");
    SetDictionaryText(t, 1262, "The controller stopped answering, or its answers got out of step with the commands.");
    SetDictionaryText(t, 1263, "The controller was sent a command it does not know.");
    SetDictionaryText(t, 1264, "The serial port could not be opened: it is missing, or another program uses it.");
    SetDictionaryText(t, 1265, "The connection to the controller was lost: its cable or USB adapter was unplugged, or the port failed.");
    SetDictionaryText(t, 1266, "The controller did not become ready, or reported itself paused or stopped while it should run.");
    SetDictionaryText(t, 1267, "The controller sent a value that is no number: its answer was garbled on the line.");
    SetDictionaryText(t, 1268, "The controller sent a value far too large to be right: its answer was garbled on the line.");
    SetDictionaryText(t, 1269, "An unexpected error stopped the program.");
    SetDictionaryText(t, 1270, "No run was in progress: the machine stands.");
    SetDictionaryText(t, 1271, "The program ends when you press OK.");
    SetDictionaryText(t, 1275, "What to do: check that the controller is switched on and its cable is firmly plugged in, then start the program again. If it happens again, keep the log file for service.");
    SetDictionaryText(t, 1276, "What to do: close the other program that uses the port, or plug the adapter in, then start the program again.");
    SetDictionaryText(t, 1277, "What to do: check the cable and its plugs (noise on the line garbles answers), then start the program again.");
    SetDictionaryText(t, 1278, "What to do: plug the cable or USB adapter back in, then start the program again.");
    SetDictionaryText(t, 1279, "What to do: start the program again. If it happens again, keep the log file for service.");
    // The run's state and the last run (1280-1299)
    SetDictionaryText(t, 1280, "Running");
    SetDictionaryText(t, 1281, "Paused");
    SetDictionaryText(t, 1282, "Stopping: the controller runs its last moves");
    SetDictionaryText(t, 1283, "Completed");
    SetDictionaryText(t, 1284, "Aborted from the window");
    SetDictionaryText(t, 1285, "Aborted with STOP on the panel");
    SetDictionaryText(t, 1286, "Aborted with ABORT on the panel");
    SetDictionaryText(t, 1287, "Aborted");
    SetDictionaryText(t, 1288, "Ended by a signal (the program was asked to end)");
    SetDictionaryText(t, 1289, "Stopped by an error");
    SetDictionaryText(t, 1290, "The finishing file's layers did not run.");
    SetDictionaryText(t, 1291, "Last run:");
    SetDictionaryText(t, 1292, "Aborting: the controller is being stopped");
    SetDictionaryText(t, 1293, "layers");
    SetDictionaryText(t, 1295, "ft");
    SetDictionaryText(t, 1296, "m");
    // The status page in a browser (1500-1549)
    SetDictionaryText(t, 1500, "Status");
    SetDictionaryText(t, 1501, "Idle");
    SetDictionaryText(t, 1502, "Layer");
    SetDictionaryText(t, 1503, "Tape laid");
    SetDictionaryText(t, 1504, "Time left");
    SetDictionaryText(t, 1505, "Elapsed");
    SetDictionaryText(t, 1506, "Last runs");
    SetDictionaryText(t, 1507, "Start");
    SetDictionaryText(t, 1508, "Shell");
    SetDictionaryText(t, 1509, "Layers");
    SetDictionaryText(t, 1510, "Tape");
    SetDictionaryText(t, 1511, "Duration");
    SetDictionaryText(t, 1512, "Outcome");
    SetDictionaryText(t, 1513, "No run recorded yet.");
    SetDictionaryText(t, 1514, "Machine counters");
    SetDictionaryText(t, 1515, "Run hours");
    SetDictionaryText(t, 1516, "Tape wound");
    SetDictionaryText(t, 1517, "Since the last service");
    SetDictionaryText(t, 1518, "Tape left on the roll");
    SetDictionaryText(t, 1519, "No answer from the program: the values shown are the last ones it sent.");
    SetDictionaryText(t, 1520, "Model");
    SetDictionaryText(t, 1521, "Moves run");
    SetDictionaryText(t, 1522, "h");
    SetDictionaryText(t, 1253, "The controller lost %1 moves it had accepted: it restarted or lost power during the run. The shell is wound up to layer %2.");
    SetDictionaryText(t, 1274, "What to do: check the controller's power supply and cable, then start the program again. The shell carries the tape of its layers up to layer %2: do not start a full run on it as if it were empty.");
    SetDictionaryText(t, 1252,
                      "This run is far longer than a usual shell: %1 moves, about %2 of machine time. "
                      "Check the layer and repeat counts. Press OK to start it anyway, Cancel to keep the "
                      "machine standing.");
    // A run resumed from a layer of a stopped run (1420-1499); "%1", "%2" ... fill in values.
    SetDictionaryText(t, 1420, "&Resume Stopped Run...");
    SetDictionaryText(t, 1421, "Resume Stopped Run");
    SetDictionaryText(t, 1422, "Shell:");
    SetDictionaryText(t, 1423, "Run:");
    SetDictionaryText(t, 1424, "Full run");
    SetDictionaryText(t, 1425, "Burnish pass");
    SetDictionaryText(t, 1426, "Ended:");
    SetDictionaryText(t, 1427, "Interrupted: the program did not see the run end (it was killed, or the PC lost power)");
    SetDictionaryText(t, 1428, "Stood at:");
    SetDictionaryText(t, 1429, "layer %1 of %2, %3 %4 of tape laid");
    SetDictionaryText(t, 1430, "Resume from layer:");
    SetDictionaryText(t, 1431, "(finishing file)");
    SetDictionaryText(t, 1432, "The board reports the head at X=%1, Y=%2.");
    SetDictionaryText(t, 1433, "Layer %1 starts at X=%2, Y=%3.");
    SetDictionaryText(t, 1434, "Positioning move: X %1, Y %2 steps, at the start/stop rate.");
    SetDictionaryText(t, 1435, "No positioning move: the head stands at the layer's start.");
    SetDictionaryText(t, 1436, "The board's position does not agree with where the run stopped: the controller may have been switched off, or the head was moved. Move the head by hand to the start of the chosen layer and confirm it below.");
    SetDictionaryText(t, 1437, "The head stands at the start of the chosen layer (moved there by hand)");
    SetDictionaryText(t, 1438, "There is no stopped run on this port to resume.");
    SetDictionaryText(t, 1439, "Layer %1 is out of range: choose a layer from 1 to %2.");
    SetDictionaryText(t, 1440, "The shell's parameters have changed since the run stopped (%1): a resume runs only on the values the run had.");
    SetDictionaryText(t, 1441, "The board's position cannot be trusted: it does not agree with where the run stopped.");
    SetDictionaryText(t, 1442, "&Start Resumed Run");
    SetDictionaryText(t, 1443, "&Not Now");
    SetDictionaryText(t, 1444, "Resumed from layer %1");
    SetDictionaryText(t, 1445, "RESUME=%1 refused: %2");
    SetDictionaryText(t, 1446, "The resume from layer %1 is ready: START on the panel runs it.");
    SetDictionaryText(t, 1447, "RESUME=%1 is no layer number.");
    SetDictionaryText(t, 1448, "The board reports no position.");
    SetDictionaryText(t, 1449, "This stopped run cannot be resumed: its journal holds too little, or its plan cannot be made again.");
    SetDictionaryText(t, 1450, "START on the panel also starts the resumed run. The grey part of the drawing is done; the dashed line is the positioning move.");
    SetDictionaryText(t, 1451, "%1 (%2)");
    // Instances refused at start-up: "%1" is the REQCOMPORT value or the
    // port's name, "%2" the process that serves that port.
    SetDictionaryText(t, 1200, "REQCOMPORT=%1 names no port: give a number from 1 to 255 (COM1 to COM255). "
                               "The program ends.");
    SetDictionaryText(t, 1201, "%1 is in use by another " + name + " (process %2)");
    SetDictionaryText(t, 1202, "%1 is in use by another " + name);
    // Settings that could not be read, and values no run can use (1100-1149).
    // "%1" and "%2" stand for a file name, a reason or a list of values.
    SetDictionaryText(t, 1100,
                      "The saved settings in %1 could not be read (%2). The program starts with its default "
                      "values, will not overwrite that file and will start no run. Fix the file's permissions "
                      "or remove it, then start the program again.");
    SetDictionaryText(t, 1101,
                      "The saved settings in %1 could not be read (%2), so no run can start. Fix the file's "
                      "permissions or remove it, then start the program again.");
    SetDictionaryText(t, 1102, "%1 holds values that no run can use: %2. Please correct them before starting a run.");
    SetDictionaryText(t, 1103,
                      "With these values the controller would be sent a rate of 0: %1. Please raise them before "
                      "starting a run.");
    SetDictionaryText(t, 1104, "No run can start on these values: %1. Please correct them before starting a run.");
    // The Machine window: counters, maintenance, the tape roll (1550-1599).
    // "%1" is the tape a run needs, "%2" the tape left on the roll.
    SetDictionaryText(t, 1550, "&Machine...");
    SetDictionaryText(t, 1551, "Machine");
    SetDictionaryText(t, 1552, "Run hours:");
    SetDictionaryText(t, 1553, "Tape laid:");
    SetDictionaryText(t, 1554, "Runs:");
    SetDictionaryText(t, 1555, "Board errors:");
    SetDictionaryText(t, 1556, "Lost moves found:");
    SetDictionaryText(t, 1557, "Since the last service");
    SetDictionaryText(t, 1558, "Last service:");
    SetDictionaryText(t, 1559, "never");
    SetDictionaryText(t, 1560, "Reset Maintenance Counter");
    SetDictionaryText(t, 1561,
                      "Reset the maintenance counter? Its hours and tape start again from 0, and the production "
                      "record notes the service.");
    SetDictionaryText(t, 1562, "Tape roll");
    SetDictionaryText(t, 1563, "Length left on the roll (feet):");
    SetDictionaryText(t, 1564, "Length left on the roll (meters):");
    SetDictionaryText(t, 1565, "Set");
    SetDictionaryText(t, 1566, "not tracked");
    SetDictionaryText(t, 1567, "The length left on the roll must be a number of 0 or more (0: not tracked).");
    SetDictionaryText(t, 1568,
                      "This run needs %1 of tape, but the roll has only %2 left. Press OK to start it anyway, "
                      "Cancel to keep the machine standing.");
    SetDictionaryText(t, 1569, "Close");
    SetDictionaryText(t, 1570, "Interrupted (the program never saw the run end)");
    SetDictionaryText(t, 1571, "Other");
    SetDictionaryText(t, 1150, "A symbolic link that others could have made or changed is not followed:");
    SetDictionaryText(t, 1151, "A log must be a file or a device such as /dev/null:");
}

}  // namespace plyx::text
