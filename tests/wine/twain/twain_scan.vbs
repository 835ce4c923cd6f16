' Scans from the virtual scanner the way a script host does: late bound,
' settings from script variables. Returns the number of failures as the
' exit code.
Option Explicit
On Error Resume Next

Dim failures
failures = 0

Sub Check(ok, what)
    If Err.Number <> 0 Or Not ok Then
        failures = failures + 1
        WScript.Echo "FAIL: " & what & " (error &H" & Hex(Err.Number) & " " & Err.Description & ")"
        Err.Clear
    End If
End Sub

Dim t, c
Set t = CreateObject("Korvix.Twain")
' A script host never initialises the control as a new instance: the
' settings are given. Black and white at 75 dpi, then colour at 100 dpi.
t.ShowProgress = False
For Each c In Array(Array(75, 0, 620, 877), Array(100, 2, 827, 1169))
    t.Resolution = c(0)
    t.ColorType = c(1)
    t.Scan
    Check t.BitmapWidth = c(2) And t.BitmapHeight = c(3), "Scan at " & c(0) & " dpi, colour type " & c(1)
Next

If failures = 0 Then WScript.Echo "twain_scan.vbs: all checks passed"
WScript.Quit failures
