' Creates the control by its ProgID, as a script host of either bitness does,
' and prints the host's bitness with a property written to it and read back.
Option Explicit
On Error Resume Next
Dim arch, twain, resolution
arch = CreateObject("WScript.Shell").Environment("Process")("PROCESSOR_ARCHITECTURE")
Set twain = CreateObject("Korvix.Twain")
If Err.Number <> 0 Then
    WScript.Echo arch & " cannot create Korvix.Twain: &H" & Hex(Err.Number)
    WScript.Quit 1
End If
twain.Resolution = 300
resolution = twain.Resolution
If Err.Number <> 0 Then
    WScript.Echo arch & " cannot write and read Resolution: &H" & Hex(Err.Number)
    WScript.Quit 2
End If
WScript.Echo arch & " Resolution=" & resolution
WScript.Quit 0
