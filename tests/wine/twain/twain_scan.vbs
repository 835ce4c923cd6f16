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

' The scan goes to a second control and is saved with nothing but a file
' name: the name's extension chooses the format, in any letter case, and the
' picture brings its 100 dpi along (a JPEG's JFIF header: unit 1, 100 x 100).
Dim fso, folder, t2, f, head
Set fso = CreateObject("Scripting.FileSystemObject")
folder = fso.GetSpecialFolder(2) & "\korvix-scan-files"
If Not fso.FolderExists(folder) Then fso.CreateFolder folder
Set t2 = CreateObject("Korvix.Twain")
Set t2.Picture = t.Picture
Set t = Nothing
For Each c In Array(Array("scan.png", Chr(&H89) & "PNG"), Array("SCAN.JPG", Chr(&HFF) & Chr(&HD8) & Chr(&HFF)), _
                    Array("scan.Gif", "GIF8"), Array("scan.TIFF", "II*" & Chr(0)), Array("scan.bmp", "BM"), _
                    Array("scan", "BM"))
    t2.filename = folder & "\" & c(0)
    t2.Save
    Set f = fso.OpenTextFile(folder & "\" & c(0), 1, False, 0)
    head = f.Read(18)
    f.Close
    Check Left(head, Len(c(1))) = c(1), c(0) & " is the format its name says"
    If c(0) = "SCAN.JPG" Then Check Mid(head, 14, 5) = Chr(1) & Chr(0) & "d" & Chr(0) & "d", "the JPEG records 100 dpi"
Next
Check t2.FileType = 0, "FileType still reads 0"
fso.DeleteFolder folder, True

If failures = 0 Then WScript.Echo "twain_scan.vbs: all checks passed"
WScript.Quit failures
