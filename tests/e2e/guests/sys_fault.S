# Writing to address 0 is the guest's own fault: the loader reports it.
        .globl _start
        .text
_start: movl $4, %eax
        movl $1, %ebx
        movl $text, %ecx
        movl $7, %edx
        int $0x80
        movl $1, 0
        movl $1, %eax
        movl $0, %ebx
        int $0x80

        .data
text:   .ascii "before\n"
