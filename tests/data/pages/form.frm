VERSION 5.00
Begin VB.Form FRMhello
   Caption         =   "Hello"
   ClientHeight    =   3195
   ClientWidth     =   4680
   Begin VB.CommandButton BTsay
      Caption         =   "Say hello"
      Height          =   495
      Left            =   1200
      TabIndex        =   0
      Top             =   1200
      Width           =   2175
   End
End
Attribute VB_Name = "FRMhello"
Attribute VB_GlobalNameSpace = False
Attribute VB_Creatable = False
Attribute VB_PredeclaredId = True
Attribute VB_Exposed = False
Option Explicit

' Counts the clicks and greets the user.
Private mClicks As Long

Private Sub BTsay_Click()
    Dim i As Integer, s As String
    mClicks = mClicks + 1
    For i = 1 To 3
        s = s & "Hello " & i & " "
    Next i
    If mClicks >= 10 Then s = "That's enough, stop it!"
    MsgBox s, vbInformation, "Clicks: " & mClicks ' show it
    Me.Caption = "Clicked " & CStr(mClicks) & " times"
End Sub

Private Function Twice(ByVal n As Long) As Long
    Twice = n * 2 + &H10 - 1.5
End Function
