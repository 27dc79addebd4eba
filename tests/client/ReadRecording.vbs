' A late-bound script client: creates the component by ProgID, opens the recording named by
' the first argument and prints what it holds.
Set reader = CreateObject("Tarn.QVRecorderFileReader")
reader.FileName = WScript.Arguments(0)
WScript.Echo "open: " & reader.open()
WScript.Echo "channels: " & reader.NumberOfChannels
WScript.Echo "sample frequency: " & reader.SampleFrequency
WScript.Echo "signal name 1: " & reader.getParameter("SignalName", 1)
WScript.Echo "unit 1: " & reader.GetUnit(1)
WScript.Echo "read: " & reader.read()
WScript.Echo "block size: " & reader.BlockSize
reader.close
